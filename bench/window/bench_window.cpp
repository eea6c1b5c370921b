#include "bench_window.h"

#include "generator/core/random_source.h"

std::unique_ptr<Form1> makeBenchWindow(Desktop &desktop)
{
    static RandomSource random(12345);
    return std::make_unique<Form1>(FormServices{desktop, random, [](int) { return 1.0; }});
}
