#pragma once
// The reference values of each preset in file order: symbol by symbol in time order and, within a
// symbol, from the lowest to the highest subcarrier.
#include "refgen_sequences.hpp"

namespace vek::tools::refgen {

struct preset_reference_t {
    cvector_t preamble;
    cvector_t pilot;
};

// WLAN 54 Mbit/s: training fields on symbols 0-3, pilots on symbols 4-63.
preset_reference_t wlan_reference();
// LTE downlink, cell identity 0, port 0: SSS/PSS on symbols 5, 6, 75, 76; C-RS on l = 0 and 4.
preset_reference_t lte_dl_reference();
// LTE uplink, cell identity 0: DMRS on l = 3 of every slot; no preamble.
preset_reference_t lte_ul_reference();

}  // namespace vek::tools::refgen
