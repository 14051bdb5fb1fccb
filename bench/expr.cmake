# Benchmarks of the expression engine.
tarvelo_add_bench(bench_expr OWN_MAIN bench_expr.cpp)
