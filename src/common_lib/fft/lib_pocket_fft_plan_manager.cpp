#include "vek/common_lib/fft/lib_pocket_fft_plan_manager.hpp"

#include <fftw3.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <stdexcept>
#include <tuple>

#include "lib_fft_wisdom.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib::pocket_fft_interface {

namespace {

// Planning effort. FFTW_ESTIMATE picks an algorithm without running anything, so a plan costs
// microseconds, the caller's buffer is never touched while planning and the same length always
// gets the same algorithm (bit-identical results from run to run, which a measurement instrument
// wants). Where the wisdom compiled into the library knows a transform (the lengths the presets
// use, recorded once by a patient, timed search on this kind of processor), the estimate takes the
// recorded algorithm instead: just as fixed, and up to twice as fast on the long search spans. Timed
// planning at run time (FFTW_MEASURE, FFTW_PATIENT) would choose by the clock, so two processes could
// round differently; only the wisdom generator plans that way.
unsigned planner_flags(plan_rigour_t rigour)
{
    return rigour == plan_rigour_t::patient ? FFTW_PATIENT : FFTW_ESTIMATE;
}

struct plan_key_t {
    std::uint32_t length;
    bool inverse;
    std::uint32_t thread_number;
    bool aligned;  // planned for SIMD-aligned buffers; unaligned buffers need their own plan
    // Reads the caller's input (kept intact) rather than the staging copy (which it may overwrite),
    // and that input's alignment.
    bool from_caller = false;
    bool input_aligned = true;
    bool operator<(const plan_key_t& o) const
    {
        return std::tie(length, inverse, thread_number, aligned, from_caller, input_aligned) <
               std::tie(o.length, o.inverse, o.thread_number, o.aligned, o.from_caller, o.input_aligned);
    }
    bool operator==(const plan_key_t& o) const
    {
        return std::tie(length, inverse, thread_number, aligned, from_caller, input_aligned) ==
               std::tie(o.length, o.inverse, o.thread_number, o.aligned, o.from_caller, o.input_aligned);
    }
};

// Owns every plan for the life of the process. It is never destroyed (not even at exit), so a
// plan handed out stays valid without a lock during execution, and a transform run from another
// static object's destructor still finds its plans.
class plan_cache_t {
public:
    static plan_cache_t& instance()
    {
        static plan_cache_t* const cache = new plan_cache_t();
        return *cache;
    }

    fftwf_plan get(const plan_key_t& key, fftwf_complex* staging, fftwf_complex* data)
    {
        // Each thread remembers the plans it has used, so the steady state (the same few lengths
        // over and over) takes no lock; plans live as long as the process, so the copies never
        // dangle.
        // In front of that table, the plan of the thread's last call: a run transforms one length
        // symbol after symbol, and the comparison costs far less than the tree walk.
        struct thread_plans_t {
            std::map<plan_key_t, fftwf_plan> known;
            plan_key_t last_key{};
            fftwf_plan last = nullptr;
        };
        thread_local thread_plans_t plans;
        thread_plans_t& mine = plans;
        if (mine.last != nullptr && key == mine.last_key) return mine.last;
        std::map<plan_key_t, fftwf_plan>& known_plans = mine.known;
        const auto known = known_plans.find(key);
        if (known != known_plans.end()) {
            mine.last_key = key;
            mine.last = known->second;
            return known->second;
        }

        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_plans.find(key);
        if (it == m_plans.end()) {
            fftwf_plan plan = create(key, staging, data);
            if (plan == nullptr) return nullptr;
            it = m_plans.emplace(key, plan).first;
        }
        known_plans.emplace(key, it->second);
        return it->second;
    }

    std::size_t size()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_plans.size();
    }

    bool wisdom_accepted()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_wisdom_accepted;
    }

    void set_rigour(plan_rigour_t rigour)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // A patient search starts from nothing, so that the wisdom it records is its own.
        if (rigour == plan_rigour_t::patient) fftwf_forget_wisdom();
        m_rigour = rigour;
    }

    std::string export_wisdom()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        char* text = fftwf_export_wisdom_to_string();
        if (text == nullptr) return {};
        std::string wisdom(text);
        std::free(text);  // FFTW hands the text over with malloc
        return wisdom;
    }

private:
    plan_cache_t()
    {
        m_threads_ready = fftwf_init_threads() != 0;
        // FFTW refuses wisdom recorded by another FFTW version or for another set of SIMD codelets
        // (another kind of processor) as a whole: the estimates then stay as they are.
        m_wisdom_accepted = fftwf_import_wisdom_from_string(detail::shipped_fft_wisdom()) != 0;
    }

    // Caller holds m_mutex: every FFTW planner call in the process goes through here.
    fftwf_plan create(const plan_key_t& key, fftwf_complex* staging, fftwf_complex* data)
    {
        const int n = static_cast<int>(key.length);
        const int sign = key.inverse ? FFTW_BACKWARD : FFTW_FORWARD;
        if (m_threads_ready) fftwf_plan_with_nthreads(static_cast<int>(key.thread_number));
        const unsigned rigour = planner_flags(m_rigour);
        const unsigned flags = rigour | (key.from_caller ? FFTW_PRESERVE_INPUT : FFTW_DESTROY_INPUT) |
                               (key.aligned && key.input_aligned ? 0u : FFTW_UNALIGNED);
        if ((rigour & FFTW_ESTIMATE) != 0u) {
            // ESTIMATE never reads or writes the arrays: plan on the buffers it will run on.
            return fftwf_plan_dft_1d(n, staging, data, sign, flags);
        }
        // Measuring planners overwrite their arrays: plan on scratch of the same alignment class.
        fftwf_complex* input = fftwf_alloc_complex(key.length + 1u);
        fftwf_complex* scratch = fftwf_alloc_complex(key.length + 1u);
        fftwf_complex* target = key.aligned ? scratch : scratch + 1;  // +8 bytes: misaligned
        fftwf_plan plan = fftwf_plan_dft_1d(n, key.input_aligned ? input : input + 1, target, sign, flags);
        fftwf_free(scratch);
        fftwf_free(input);
        return plan;
    }

    std::mutex m_mutex;
    std::map<plan_key_t, fftwf_plan> m_plans;
    bool m_threads_ready = false;
    bool m_wisdom_accepted = false;
    plan_rigour_t m_rigour = plan_rigour_t::estimate;
};

// An inverse transform's 1/L, formed in double and rounded once, so every caller sees the same factor.
void scale_inverse(std::vector<std::complex<float>>& data)
{
    const float scale = static_cast<float>(1.0 / static_cast<double>(data.size()));
    for (auto& v : data) v *= scale;
}

}  // namespace

bool lib_pocket_fft_plan_manager_t::deal_transform(std::uint32_t length, std::vector<std::complex<float>>& data,
                                                   bool inverse, std::uint32_t thread_number)
{
    if (length == 0u) {
        report_line("lib_fft_plan_manager_t::deal_transform Report : Zero transform length!");
        return false;
    }
    if (length < data.size()) {
        report_line("lib_fft_plan_manager_t::deal_transform Report : Input data length NOT match!");
        return false;
    }
    if (length > static_cast<std::uint32_t>(INT_MAX)) throw std::length_error("FFT size is too large.");
    data.resize(length, std::complex<float>(0.0f, 0.0f));

    // The transform runs out of place, from a per-thread staging copy of the input into the
    // caller's buffer: FFTW's in-place algorithms reorder through extra passes over the data, so
    // the copy plus an out-of-place transform costs less (a third for 64 points, about 40 % less
    // for the lengths of a frame). The staging buffer comes from FFTW's allocator, SIMD-aligned.
    struct staging_t {
        fftwf_complex* buffer = nullptr;
        std::size_t capacity = 0;
        ~staging_t() { fftwf_free(buffer); }
    };
    thread_local staging_t staging;
    if (staging.capacity < length) {
        fftwf_complex* grown = fftwf_alloc_complex(length);
        if (grown == nullptr) throw std::bad_alloc();
        fftwf_free(staging.buffer);
        staging.buffer = grown;
        staging.capacity = length;
    }
    // std::complex<float> and fftwf_complex share their layout (two floats, real first).
    auto* buffer = reinterpret_cast<fftwf_complex*>(data.data());
    const plan_key_t key{length, inverse, thread_number == 0u ? 1u : thread_number,
                         fftwf_alignment_of(reinterpret_cast<float*>(buffer)) == 0};
    fftwf_plan plan = plan_cache_t::instance().get(key, staging.buffer, buffer);
    if (plan == nullptr) {
        report_line("lib_fft_plan_manager_t::deal_transform Report : FFT plan creation failed!");
        return false;
    }
    std::memcpy(staging.buffer, buffer, sizeof(fftwf_complex) * length);
    fftwf_execute_dft(plan, staging.buffer, buffer);

    if (inverse) scale_inverse(data);
    return true;
}

bool lib_pocket_fft_plan_manager_t::deal_transform_from(std::uint32_t length,
                                                        const std::complex<float>* input,
                                                        std::vector<std::complex<float>>& output,
                                                        bool inverse)
{
    if (length == 0u) {
        report_line("lib_fft_plan_manager_t::deal_transform Report : Zero transform length!");
        return false;
    }
    if (length > static_cast<std::uint32_t>(INT_MAX)) throw std::length_error("FFT size is too large.");
    output.resize(length);
    // FFTW reads the input without writing it (the plan preserves its input).
    auto* in = reinterpret_cast<fftwf_complex*>(const_cast<std::complex<float>*>(input));
    auto* out = reinterpret_cast<fftwf_complex*>(output.data());
    plan_key_t key{length, inverse, 1u, fftwf_alignment_of(reinterpret_cast<float*>(out)) == 0};
    key.from_caller = true;
    key.input_aligned = fftwf_alignment_of(reinterpret_cast<float*>(in)) == 0;
    fftwf_plan plan = plan_cache_t::instance().get(key, in, out);
    if (plan == nullptr) {
        report_line("lib_fft_plan_manager_t::deal_transform Report : FFT plan creation failed!");
        return false;
    }
    fftwf_execute_dft(plan, in, out);
    if (inverse) scale_inverse(output);
    return true;
}

std::size_t lib_pocket_fft_plan_manager_t::get_cached_plan_number()
{
    return plan_cache_t::instance().size();
}

bool lib_pocket_fft_plan_manager_t::shipped_wisdom_accepted()
{
    return plan_cache_t::instance().wisdom_accepted();
}

void lib_pocket_fft_plan_manager_t::set_plan_rigour(plan_rigour_t rigour)
{
    plan_cache_t::instance().set_rigour(rigour);
}

std::string lib_pocket_fft_plan_manager_t::export_wisdom()
{
    return plan_cache_t::instance().export_wisdom();
}

}  // namespace vek::common_lib::pocket_fft_interface
