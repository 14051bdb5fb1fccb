tarvelo_add_bench(bench_draw bench_draw.cpp)
