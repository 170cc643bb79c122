#pragma once
// Reference sequences of the three presets, from their public definitions:
// IEEE 802.11a 17.3.3 (training fields) and 17.3.5.9 (pilot polarity), 3GPP TS 36.211 7.2 (Gold
// sequence), 6.11.1 / 6.11.2 (synchronisation signals), 6.10.1 (cell-specific reference signal)
// and 5.5.2.1 (uplink demodulation reference signal).
#include <complex>
#include <cstdint>
#include <vector>

namespace vek::tools::refgen {

using cvalue_t = std::complex<double>;
using cvector_t = std::vector<cvalue_t>;

// --- IEEE 802.11a, 64-point FFT. Coefficients for subcarriers -26 ... 26 (index k + 26).
cvector_t wlan_short_training_coefficients();
cvector_t wlan_long_training_coefficients();
// Pilot polarity p_n (+1 / -1) for n = 0 (SIGNAL) onwards, period 127.
int wlan_pilot_polarity(int n);

// --- 3GPP TS 36.211.
// c(0 ... length-1) of the length-31 Gold sequence initialised with c_init.
std::vector<std::uint8_t> lte_gold_sequence(std::uint32_t c_init, int length);
// Primary synchronisation d(0 ... 61) for N_ID2.
cvector_t lte_pss(int n_id2);
// Secondary synchronisation d(0 ... 61) for N_ID1, N_ID2 in subframe 0 or 5.
cvector_t lte_sss(int n_id1, int n_id2, int subframe);
// Port-0 cell-specific reference values r(m), m = 0 ... 2 N_RB^max,DL - 1 (220 values), of slot ns
// and symbol l (normal cyclic prefix).
cvector_t lte_crs(int n_id_cell, int slot, int symbol);
// Uplink DMRS of slot ns over M subcarriers: group and sequence hopping off, u = v = 0,
// n_DMRS(1) = n_DMRS(2) = 0, cell identity n_id_cell.
cvector_t lte_pusch_dmrs(int n_id_cell, int slot, int subcarriers);

}  // namespace vek::tools::refgen
