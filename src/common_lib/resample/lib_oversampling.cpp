#include "vek/common_lib/resample/lib_oversampling.hpp"

#include <string>

#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

void lib_oversampling_t::deal_oversampling(std::uint32_t ratio, cvec_t& data,
                                           lib_oversampling_method_t method) {
    switch (method) {
        case LIB_OVERSAMPLING_INSERT_ZERO: _deal_insert_zero_oversampling(ratio, data); break;
        case LIB_OVERSAMPLING_HOLDER: _deal_holder_oversampling(ratio, data); break;
        case LIB_OVERSAMPLING_OFFSET: deal_offset_oversampling(ratio, data); break;
        default: break;
    }
}

bool lib_oversampling_t::_deal_insert_zero_oversampling(std::uint32_t ratio, cvec_t& data) {
    if (ratio == 0) {
        report_line("lib_oversampling_t::_deal_insert_zero_oversampling Report: Oversample Rate must be positive!");
        return false;
    }
    cvec_t out(data.size() * ratio, std::complex<float>(0.0f, 0.0f));
    for (std::size_t k = 0; k < data.size(); ++k) {
        out[k * ratio] = data[k];
    }
    data.swap(out);
    return true;
}

bool lib_oversampling_t::_deal_holder_oversampling(std::uint32_t ratio, cvec_t& data) {
    if (ratio == 0) {
        report_line("lib_oversampling_t::_deal_holder_oversampling Report: Oversample Rate must be positive!");
        return false;
    }
    cvec_t out;
    out.reserve(data.size() * ratio);
    for (const auto& sample : data) {
        out.insert(out.end(), ratio, sample);
    }
    data.swap(out);
    return true;
}

bool lib_oversampling_t::deal_offset_oversampling(std::uint32_t ratio, cvec_t& data) {
    if (ratio == 0 || ratio % 2 != 0) {
        report_line("lib_oversampling_t::deal_offset_oversampling Report: Oversampling Ratio must be positive and even! But current value = " +
                    std::to_string(ratio));
        return false;
    }
    // Offset modulation (OQPSK-like): the quadrature rail lags the in-phase rail by half a symbol.
    cvec_t out(data.size() * ratio, std::complex<float>(0.0f, 0.0f));
    const std::size_t half = ratio / 2;
    for (std::size_t k = 0; k < data.size(); ++k) {
        out[k * ratio] = std::complex<float>(data[k].real(), 0.0f);
        out[k * ratio + half] = std::complex<float>(0.0f, data[k].imag());
    }
    data.swap(out);
    return true;
}

}  // namespace vek::common_lib
