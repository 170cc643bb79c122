#include "vek/common_lib/math/lib_filter.hpp"

#include <algorithm>

#include "vek/common_lib/math/lib_common_signal_process.hpp"
#include "vek/common_lib/math/lib_convolution.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

bool lib_filter_t::_prepare_input_data(std::uint32_t pad_length, cvec_t& data, lib_filter_delay_type_t delay_type)
{
    if (data.empty()) {
        report_line("lib_filter_t::_prepare_input_data Report: Empty Data Array!");
        return false;
    }
    const std::size_t pad = pad_length;
    switch (delay_type) {
    case LIB_FILTER_DELAY_NONE:
        return true;
    case LIB_FILTER_DELAY_CYCLIC: {
        // Treat the block as one period of a periodic signal: its tail precedes it, its head
        // follows it, so the filter's transient sees the samples it would see in steady state.
        lib_common_signal_process_t::pad_array_crc(data, pad);
        const std::size_t n = data.size();
        cvec_t extended;
        extended.reserve(n + 2u * pad);
        extended.insert(extended.end(), data.end() - static_cast<std::ptrdiff_t>(pad), data.end());
        extended.insert(extended.end(), data.begin(), data.end());
        extended.insert(extended.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(pad));
        data.swap(extended);
        return true;
    }
    case LIB_FILTER_DELAY_ZERO:
        data.insert(data.begin(), pad, std::complex<float>(0.0f, 0.0f));
        data.insert(data.end(), pad, std::complex<float>(0.0f, 0.0f));
        return true;
    }
    report_line("lib_filter_t::_prepare_input_data Report: Unknown filter delay type!");
    return false;
}

bool lib_filter_t::deal_filter(const cvec_t& taps, cvec_t& data, lib_filter_delay_type_t delay_type)
{
    if (taps.empty()) return false;
    const std::size_t n = data.size();
    std::uint32_t pad = 4u;
    while (pad < taps.size()) pad <<= 1;

    cvec_t work(data);
    if (!_prepare_input_data(pad, work, delay_type)) return false;
    if (delay_type != LIB_FILTER_DELAY_NONE && lib_convolution_t::is_direct_faster(taps)) {
        // Only the n kept outputs are summed, straight from the extended block: the same sums
        // as the full convolution below, without its edges and copies.
        const std::size_t drop = taps.size() / 2u + pad;
        return lib_convolution_t::deal_convolution_section(taps, work, drop, n, data);
    }
    // A single tap is refused by the overlap-add (it reports); the data then pass unscaled.
    const bool ok = lib_convolution_t::deal_fft_convolution(taps, work);
    if (delay_type != LIB_FILTER_DELAY_NONE) {
        // Drop the front extension and the group delay of the filter's centre tap.
        const std::size_t drop = std::min(work.size(), taps.size() / 2u + pad);
        work.erase(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(drop));
    }
    work.resize(n, std::complex<float>(0.0f, 0.0f));
    data.swap(work);
    return ok;
}

}  // namespace vek::common_lib
