// Throughput of the bit-serial coding tools on frame-sized inputs.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "vek/common_lib/coding/lib_crc_calculator.hpp"
#include "vek/common_lib/coding/lib_prbs_code.hpp"

namespace {

using namespace vek::common_lib;

std::vector<std::uint8_t> random_bits(std::size_t count) {
    std::mt19937 rng(1);
    std::vector<std::uint8_t> bits(count);
    for (auto& b : bits) b = static_cast<std::uint8_t>(rng() & 1u);
    return bits;
}

void BM_crc32_calculation(benchmark::State& state) {
    lib_crc_calculator_t calc;
    calc.set_crc_generator_polynomial({32, 26, 23, 22, 16, 12, 11, 10, 8, 7, 5, 4, 2, 1, 0});
    calc.set_calculate_method(static_cast<lib_crc_method_t>(state.range(1)));
    const auto bits = random_bits(static_cast<std::size_t>(state.range(0)));
    std::vector<std::uint8_t> checksum;
    for (auto _ : state) {
        calc.deal_crc_calculation(bits, checksum);
        benchmark::DoNotOptimize(checksum.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_crc32_calculation)
    ->Args({12000, LIB_CRC_METHOD_DIRECT})
    ->Args({12000, LIB_CRC_METHOD_NON_DIRECT});

void BM_prbs_generation(benchmark::State& state) {
    lib_prbs_code_t prbs;
    prbs.set_prbs_type(LIB_PRBS_CODE_TYPE_PRBS23);
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        prbs.generate_prbs_code(static_cast<std::size_t>(state.range(0)), out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_prbs_generation)->Arg(1 << 16);

}  // namespace
