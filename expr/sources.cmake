# The expression engine: syntax, evaluation, operators and functions, graph functions.
tarvelo_sources(tarvelo_core
    MathFuncs2 ExprInternal ExprSyntax ExprEval ExprResample ExprFuncs ExprTrig ExprGraphFuncs
)
