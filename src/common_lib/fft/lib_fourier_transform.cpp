#include "vek/common_lib/fft/lib_fourier_transform.hpp"

#include <algorithm>

#include "vek/common_lib/fft/lib_pocket_fft_plan_manager.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

using pocket_fft_interface::lib_pocket_fft_plan_manager_t;

namespace {

// Transform length after padding: fft_length when it covers the data, else the data's size.
std::uint32_t effective_length(const lib_fourier_transform_t::cvec_t& data, std::uint32_t fft_length)
{
    if (fft_length != 0u && fft_length >= data.size()) return fft_length;
    return static_cast<std::uint32_t>(data.size());
}

}  // namespace

bool lib_fourier_transform_t::deal_fft(cvec_t& data, std::uint32_t fft_length)
{
    return _deal_fft(data, fft_length, false);
}

bool lib_fourier_transform_t::deal_fft(const cvec_t& input, cvec_t& output, std::uint32_t fft_length)
{
    const std::uint32_t length = effective_length(input, fft_length);
    // Straight from the input where no padding is needed and one transform covers it.
    if (length != 0u && length == input.size() && length <= LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX &&
        &input != &output)
        return lib_pocket_fft_plan_manager_t::deal_transform_from(length, input.data(), output, false);
    output = input;
    return deal_fft(output, fft_length);
}

bool lib_fourier_transform_t::deal_ifft(cvec_t& data, std::uint32_t fft_length)
{
    return _deal_fft(data, fft_length, true);
}

bool lib_fourier_transform_t::deal_multi_thread_fft(cvec_t& data, std::uint32_t thread_number,
                                                    std::uint32_t fft_length)
{
    return _deal_multi_thread_fft(data, thread_number, fft_length, false);
}

bool lib_fourier_transform_t::deal_multi_thread_ifft(cvec_t& data, std::uint32_t thread_number,
                                                     std::uint32_t fft_length)
{
    return _deal_multi_thread_fft(data, thread_number, fft_length, true);
}

void lib_fourier_transform_t::fft_shift(cvec_t& data)
{
    // Left rotation by ceil(n/2): bin 0 lands at floor(n/2), negative frequencies in front.
    const std::size_t half = (data.size() + 1u) / 2u;
    std::rotate(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(half), data.end());
}

bool lib_fourier_transform_t::_deal_fft(cvec_t& data, std::uint32_t fft_length, bool inverse)
{
    const std::uint32_t length = effective_length(data, fft_length);
    std::uint32_t segment_number = 1u;
    if (!_deal_data_segmentation(length, segment_number)) {
        report_line("lib_fourier_transform_t::_deal_fft Report: Info: DFT Length can NOT be segmentated, memory "
                    "alloc might fail!");
    }
    if (segment_number <= 1u) return _deal_transform(length, data, inverse);
    return _deal_segmented_transform(data, length, segment_number, inverse);
}

bool lib_fourier_transform_t::_deal_segmented_transform(cvec_t& data, std::uint32_t length,
                                                        std::uint32_t segment_number, bool inverse)
{
    if (segment_number == 0u || length % segment_number != 0u) return false;
    // Average of the m segment spectra: the L-point spectrum at every m-th bin, divided by m.
    const std::uint32_t segment_length = length / segment_number;
    const float weight = static_cast<float>(1.0 / static_cast<double>(segment_number));
    cvec_t output(segment_length, std::complex<float>(0.0f, 0.0f));
    cvec_t work;
    bool ok = true;
    for (std::uint32_t k = 0; k < segment_number; ++k) {
        const std::size_t begin = static_cast<std::size_t>(k) * segment_length;
        if (begin >= data.size()) continue;  // lies wholly in the zero padding
        const std::size_t end = std::min(begin + segment_length, data.size());
        work.assign(data.begin() + static_cast<std::ptrdiff_t>(begin), data.begin() + static_cast<std::ptrdiff_t>(end));
        ok = _deal_transform(segment_length, work, inverse) && ok;
        for (std::uint32_t i = 0; i < segment_length; ++i) output[i] += work[i] * weight;
    }
    data.swap(output);
    return ok;
}

bool lib_fourier_transform_t::_deal_multi_thread_fft(cvec_t& data, std::uint32_t thread_number,
                                                     std::uint32_t fft_length, bool inverse)
{
    const std::uint32_t length = effective_length(data, fft_length);
    if (thread_number == 0u) {
        report_line("lib_fourier_transform_t::deal_multi_thread_ifft Report : Illegal Thread Number!");
        return true;
    }
    return _deal_multi_thread_transform(data, thread_number, length, inverse);
}

bool lib_fourier_transform_t::_deal_transform(std::uint32_t length, cvec_t& data, bool inverse)
{
    return lib_pocket_fft_plan_manager_t::deal_transform(length, data, inverse, 1u);
}

bool lib_fourier_transform_t::_deal_multi_thread_transform(cvec_t& data, std::uint32_t thread_number,
                                                           std::uint32_t length, bool inverse)
{
    return lib_pocket_fft_plan_manager_t::deal_transform(length, data, inverse, thread_number);
}

bool lib_fourier_transform_t::_deal_data_segmentation(std::uint32_t length, std::uint32_t& segment_number)
{
    segment_number = 1u;
    if (length <= LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX) return true;
    const std::uint32_t first = (length + LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX - 1u) / LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX;
    const std::uint32_t last = length / LIB_FOURIER_TRANSFROM_SEGMENT_LENGTH_MIN;
    for (std::uint32_t m = first; m <= last; ++m) {
        if (length % m == 0u) {
            segment_number = m;
            return true;
        }
    }
    return false;
}

}  // namespace vek::common_lib
