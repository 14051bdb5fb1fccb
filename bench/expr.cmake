# Benchmarks of the expression engine.
tarvelo_add_bench(bench_expr bench_expr.cpp)
