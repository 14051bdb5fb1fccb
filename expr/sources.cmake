# The expression engine: syntax, evaluation, operators and functions, graph functions; the filter
# routines beside it.
target_sources(tarvelo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/MathFuncs2.h
    ${CMAKE_CURRENT_LIST_DIR}/ExprInternal.h
    ${CMAKE_CURRENT_LIST_DIR}/ExprSyntax.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ExprEval.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ExprResample.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ExprFuncs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ExprTrig.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ExprGraphFuncs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Filters.h
    ${CMAKE_CURRENT_LIST_DIR}/Filters.cpp
)
