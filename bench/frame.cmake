tarvelo_add_bench(bench_frame bench_frame.cpp)
