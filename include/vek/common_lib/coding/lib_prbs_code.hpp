#pragma once
// Pseudo-random binary sequences from a Fibonacci linear-feedback shift register.
//
// Register of length L, bit L-1 the oldest. Each step the feedback (XOR of register bits tap-1 over
// the taps) enters at bit 0 while the register shifts towards bit L-1. For taps {L, a} the produced
// sequence obeys s[k] = s[k-L] XOR s[k-a], i.e. the generator 1 + D^a + D^L of ITU-T O.150 (D a
// one-bit delay). The output is either bit L-1 before the shift (the seed appears first, most
// significant bit first) or the feedback bit (the same sequence, L bits further on).
// O.150 transmits PRBS15, PRBS23 and PRBS31 inverted: enable the complement for those.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vek::common_lib {

enum lib_prbs_code_type_t : std::int32_t {
    LIB_PRBS_CODE_TYPE_PRBS7 = 0,
    LIB_PRBS_CODE_TYPE_PRBS9 = 1,
    LIB_PRBS_CODE_TYPE_PRBS11 = 2,
    LIB_PRBS_CODE_TYPE_PRBS15 = 3,
    LIB_PRBS_CODE_TYPE_PRBS23 = 4,
    LIB_PRBS_CODE_TYPE_PRBS31 = 5,
};

enum lib_prbs_sequence_output_position_type_t : std::int32_t {
    LIB_PRBS_SEQUENCE_OUTPUT_POSITION_REGISTER_MSB = 0,  // bit L-1 before the shift
    LIB_PRBS_SEQUENCE_OUTPUT_POSITION_FEEDBACK = 1,      // any non-zero value selects the feedback
};

// Longest register the 64-bit state can shift without losing the feedback.
inline constexpr std::uint32_t LIB_PRBS_LFSR_BIT_NUM_MAX = 63;

class lib_prbs_code_t {
public:
    // PRBS7 from the all-ones seed (127), register-MSB output, no complement, default taps.
    lib_prbs_code_t();

    // Back to the constructor's state.
    void init();

    // Stores the type and resets the seed to all ones of the register length.
    void set_prbs_type(lib_prbs_code_type_t type);
    lib_prbs_code_type_t get_prbs_type() const { return m_type; }

    // A seed with no bit inside the register (the LFSR's dead state) becomes all ones. Bits above
    // the register length are kept but never reach the output.
    void set_prbs_seed(std::uint64_t seed);
    std::uint64_t get_prbs_seed() const { return m_seed; }
    void set_prbs_seed_to_default();  // all ones of the register length

    void set_sequence_output_position(lib_prbs_sequence_output_position_type_t position);
    void set_complement_enable(bool enable);
    // With the flag set and a non-empty tap list, the taps are the caller's and the register
    // length is the largest tap.
    void set_custom_primitive_polynomial_enable(bool enable);

    // Non-empty, no repeated tap, largest tap at most LIB_PRBS_LFSR_BIT_NUM_MAX.
    static bool check_primitive_polynomial(const std::vector<std::uint32_t>& taps);

    // 1-based taps (tap k reads register bit k-1), e.g. {40, 38, 21, 19}. False, nothing changed,
    // unless the custom flag is set and the list passes check_primitive_polynomial; on success the
    // seed becomes all ones of the new length.
    bool set_prbs_primitive_polynomial(const std::vector<std::uint32_t>& taps);
    const std::vector<std::uint32_t>& get_prbs_primitive_polynomial() const { return m_taps; }

    // Fills `out` with `count` bits (0/1) starting from the stored seed every call, and returns the
    // register state after the last step.
    std::uint64_t generate_prbs_code(std::size_t count, std::vector<std::uint8_t>& out);
    // One full period, 2^L - 1 bits.
    std::uint64_t generate_prbs_code(std::vector<std::uint8_t>& out);

private:
    std::uint32_t _get_lfsr_length();
    void _update_primitive_polynomial(std::uint32_t lfsr_length);
    // Loads the taps and repairs the seed for a run; returns the register length, 0 if unusable.
    std::uint32_t _prepare_lfsr();
    std::uint64_t _run_lfsr(std::uint32_t length, std::size_t count, std::vector<std::uint8_t>& out) const;
    bool _uses_custom_taps() const { return m_custom_polynomial_enable && !m_taps.empty(); }

    lib_prbs_code_type_t m_type;
    std::uint64_t m_seed;
    lib_prbs_sequence_output_position_type_t m_output_position;
    bool m_complement_enable;
    bool m_custom_polynomial_enable;
    std::vector<std::uint32_t> m_taps;
};

}  // namespace vek::common_lib
