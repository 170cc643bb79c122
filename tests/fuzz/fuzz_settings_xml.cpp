// Settings recall from arbitrary XML, then what the tool does next: rebuild the frame tables and,
// when they build, demodulate a short capture under the recalled frame. Recall may raise only
// std::invalid_argument or std::out_of_range (the tool turns both into its exit 2); process() must
// then fail or succeed without touching memory outside its vectors, or raise std::out_of_range
// from a range-checked access (the tool's exit 1, "demodulation failed").
#include <pugixml.hpp>

#include <complex>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "fuzz_support.hpp"
#include "vek/ofdm_demod_lib/config/cfg_ofdm.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm.hpp"

using namespace vek::ofdm_demod_lib;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vek::fuzz::silence_reports();
    pugi::xml_document doc;
    if (!doc.load_buffer(data, size)) return 0;

    // The holder of <cfg_ofdm_demod>: the document or one of its top-level elements, as the tool
    // looks for it.
    pugi::xml_node holder = doc.child("cfg_ofdm_demod") ? pugi::xml_node(doc) : pugi::xml_node();
    for (pugi::xml_node n = doc.first_child(); !holder && n; n = n.next_sibling()) {
        if (n.child("cfg_ofdm_demod")) holder = n;
    }
    if (!holder) return 0;

    cfg_ofdm_t cfg;
    cfg.set_load_address(VEK_FUZZ_DATA_DIR);
    try {
        cfg.recall_ofdm_setting(holder);
    } catch (const std::invalid_argument&) {
        return 0;
    } catch (const std::out_of_range&) {
        return 0;
    }
    if (!(cfg.generate_resource_map() && cfg.generate_resource_mod_map() && cfg.generate_ref_resource_data_vct())) {
        return 0;
    }
    // A slowly turning tone of fixed length: every stage gets something to work on, and a frame
    // longer than the capture exercises the stages' bounds checks.
    lib_ofdm_t demod;
    if (!demod.set_config_manager(cfg.get_config_manager())) return 0;
    const std::size_t length = 8192;
    complex_vector_t samples(length);
    for (std::size_t n = 0; n < length; ++n) {
        samples[n] = std::polar(1.0f, 0.01f * static_cast<float>(n % 6283));
    }
    try {
        if (demod.set_input_data(samples)) demod.process();
    } catch (const std::out_of_range&) {
        // a range-checked access reached by an inconsistent frame; the tool reports it (exit 1)
    }
    return 0;
}
