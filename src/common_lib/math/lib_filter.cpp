#include "vek/common_lib/math/lib_filter.hpp"

#include <algorithm>

#include "vek/common_lib/math/lib_common_signal_process.hpp"
#include "vek/common_lib/math/lib_convolution.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

namespace {

// data with pad samples in front and behind: its own tail and head (cyclic) or zeros. Cyclic
// extension needs data at least pad long.
void extend_block(const lib_filter_t::cvec_t& data, std::size_t pad, bool cyclic, lib_filter_t::cvec_t& out)
{
    const std::size_t n = data.size();
    out.clear();
    out.reserve(n + 2u * pad);
    if (cyclic) {
        out.insert(out.end(), data.end() - static_cast<std::ptrdiff_t>(pad), data.end());
        out.insert(out.end(), data.begin(), data.end());
        out.insert(out.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(pad));
    } else {
        out.resize(pad, std::complex<float>(0.0f, 0.0f));
        out.insert(out.end(), data.begin(), data.end());
        out.resize(n + 2u * pad, std::complex<float>(0.0f, 0.0f));
    }
}

}  // namespace

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
        cvec_t extended;
        extend_block(data, pad, true, extended);
        data.swap(extended);
        return true;
    }
    case LIB_FILTER_DELAY_ZERO: {
        cvec_t extended;
        extend_block(data, pad, false, extended);
        data.swap(extended);
        return true;
    }
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

    if (n >= pad && (delay_type == LIB_FILTER_DELAY_CYCLIC || delay_type == LIB_FILTER_DELAY_ZERO) &&
        lib_convolution_t::is_direct_faster(taps)) {
        // The extended block built straight from data (no working copy first), and only the n
        // kept outputs summed from it: the same sums as the full convolution below, without its
        // edges and copies.
        // The block's storage is kept per thread: filters run over whole captures, and a buffer
        // that size taken and returned on every call has its pages faulted in again each time.
        thread_local cvec_t extended;
        extend_block(data, pad, delay_type == LIB_FILTER_DELAY_CYCLIC, extended);
        const std::size_t drop = taps.size() / 2u + pad;
        return lib_convolution_t::deal_convolution_section(taps, extended, drop, n, data);
    }
    cvec_t work(data);
    if (!_prepare_input_data(pad, work, delay_type)) return false;
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
