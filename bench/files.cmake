# Benchmarks of files/: the extended number parser and the text file reader.
tarvelo_add_bench(bench_files OWN_MAIN bench_files.cpp)
