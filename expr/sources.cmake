# The expression engine: syntax, evaluation, operators and functions, graph functions; the filter
# routines beside it.
tarvelo_sources(tarvelo_core
    MathFuncs2 ExprInternal ExprSyntax ExprEval ExprResample ExprFuncs ExprTrig ExprGraphFuncs Filters
)
