// Bad captures and inconsistent configurations through the facade: process() fails cleanly, or a
// range-checked access raises std::out_of_range and leaves the object usable. Inputs found by the
// fuzz targets (tests/fuzz) that once misbehaved are replayed here.
#include <gtest/gtest.h>

#include <complex>
#include <limits>
#include <stdexcept>

#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_frame_generator.hpp"

namespace {

using namespace vek::ofdm_demod_lib;

lib_ofdm_config_manager_t preset(lib_ofdm_standard_type_t standard) {
    vek::common_lib::report_capture_t quiet;
    lib_ofdm_config_manager_t m;
    m.set_load_address(VEK_TEST_DATA_DIR);
    EXPECT_TRUE(m.set_standard(standard));
    return m;
}

complex_vector_t frame_of(const lib_ofdm_config_manager_t& cfg) {
    lib_ofdm_generated_frame_t frame;
    EXPECT_TRUE(lib_ofdm_frame_generator_t::generate_frame(cfg, 7, frame));
    return frame.samples;
}

// A measurement window the setters accept (a negative offset) but that reaches before the first
// analysed symbol: the range-checked row access raises out_of_range, and the object is not left
// marked as running, so the next process() on a good configuration succeeds.
TEST(DemodRobustness, OutOfRangeMeasurementWindowRaisesAndLeavesTheObjectUsable) {
    vek::common_lib::report_capture_t quiet;
    lib_ofdm_config_manager_t good = preset(LIB_OFDM_STANDARD_TYPE_WIFI);
    const complex_vector_t samples = frame_of(good);
    lib_ofdm_config_manager_t bad = good;
    ASSERT_TRUE(bad.set_meas_symbol_offset(-1));
    lib_ofdm_t demod;
    ASSERT_TRUE(demod.set_config_manager(bad) && demod.set_input_data(samples));
    EXPECT_THROW(demod.process(), std::out_of_range);
    EXPECT_FALSE(demod.is_running());
    EXPECT_TRUE(demod.set_config_manager(good) && demod.set_input_data(samples) && demod.process());
}

// Captures no instrument should produce, under each preset: the run ends (true or false) without
// touching memory outside a vector (the ASan suite checks that), and a capture shorter than the
// frame is refused by set_input_data with its report line.
TEST(DemodRobustness, DegenerateCapturesEndCleanlyUnderEveryPreset) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (auto standard : {LIB_OFDM_STANDARD_TYPE_WIFI, LIB_OFDM_STANDARD_TYPE_LTE_DL, LIB_OFDM_STANDARD_TYPE_LTE_UL}) {
        SCOPED_TRACE(standard);
        const lib_ofdm_config_manager_t cfg = preset(standard);
        const complex_vector_t frame = frame_of(cfg);
        vek::common_lib::report_capture_t lines;
        lib_ofdm_t demod;
        ASSERT_TRUE(demod.set_config_manager(cfg));
        EXPECT_FALSE(demod.set_input_data(complex_vector_t(frame.begin(), frame.end() - 1)));
        EXPECT_TRUE(lines.contains("The input data length is less than the number of set OFDM symbols"));
        EXPECT_FALSE(demod.set_input_data(complex_vector_t{}));

        complex_vector_t spiked = frame;
        spiked[spiked.size() / 2] = complex_t(inf, -inf);
        complex_vector_t extremes = frame;
        for (std::size_t k = 0; k < extremes.size(); ++k)
            extremes[k] = k % 2 ? complex_t(3.0e38f, -3.0e38f) : complex_t(1e-42f, -1e-42f);
        for (const complex_vector_t& samples : {complex_vector_t(frame.size()), complex_vector_t(frame.size(), {nan, nan}),
                                                spiked, extremes}) {
            lib_ofdm_t fresh;
            ASSERT_TRUE(fresh.set_config_manager(cfg));
            ASSERT_TRUE(fresh.set_input_data(samples));
            fresh.process();
            EXPECT_FALSE(fresh.is_running());
        }
    }
}

}  // namespace
