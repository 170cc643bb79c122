// Frame loading. A settings file goes through the holder's recall, which applies every value with
// the same setter a host would call; a setter that refuses a value only prints a notice and keeps
// the preset's value. To turn such silent fallbacks into a clear error, the recalled frame is saved
// again and compared element by element with the file: any value that did not survive was refused.
#include "frame_setup.hpp"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pugixml.hpp>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "atomic_file.hpp"
#include "cli_common.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::ofdm_demod_cli {
namespace {

using vek::ofdm_demod_lib::cfg_ofdm_t;
using vek::ofdm_demod_lib::lib_ofdm_standard_type_t;

std::string data_directory(const parsed_options_t& options) {
    const std::string dir = options.get("data-dir").value_or(VEK_DEFAULT_DATA_DIR);
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        throw cli_error_t(
            "data directory " + dir +
            " does not exist; point --data-dir at the reference data (the project's data/ folder)");
    }
    return dir;
}

std::size_t line_of(const std::string& text, std::ptrdiff_t offset) {
    std::size_t line = 1;
    for (std::ptrdiff_t i = 0; i < offset && i < static_cast<std::ptrdiff_t>(text.size()); ++i) {
        if (text[static_cast<std::size_t>(i)] == '\n') ++line;
    }
    return line;
}

// Splits "a,b,c," into numbers; false when a piece is not a number.
bool number_list(const std::string& text, std::vector<double>& values) {
    std::stringstream ss(text);
    std::string piece;
    while (std::getline(ss, piece, ',')) {
        if (piece.empty()) continue;
        char* end = nullptr;
        const double v = std::strtod(piece.c_str(), &end);
        if (end != piece.c_str() + piece.size()) return false;
        values.push_back(v);
    }
    return true;
}

bool same_value(const std::string& a, const std::string& b) {
    if (a == b) return true;
    const bool a_bool = a == "true" || a == "false";
    const bool b_bool = b == "true" || b == "false";
    if (a_bool || b_bool) return (a == "true" || a == "1") == (b == "true" || b == "1");
    std::vector<double> va, vb;
    if (!number_list(a, va) || !number_list(b, vb) || va.size() != vb.size()) return false;
    for (std::size_t i = 0; i < va.size(); ++i) {
        // Floats are stored with six decimals or nine significant digits: compare at that grain.
        if (std::fabs(va[i] - vb[i]) > 1e-6 + 1e-6 * std::fabs(va[i])) return false;
    }
    return true;
}

bool is_resource_entry(const pugi::xml_node& n) {
    return std::string(n.name()).rfind("resource_mapping", 0) == 0;
}

// First element of `file` (below cfg_ofdm_demod) whose value the recalled frame does not hold.
// Resource entries are compared in a second pass: a refused symbol count or FFT length cleans
// the entries too, and the message should name the cause, not the consequence.
pugi::xml_node first_refused(const pugi::xml_node& file, const pugi::xml_node& saved,
                             pugi::xml_node& saved_match, bool entries) {
    for (pugi::xml_node child = file.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        const bool top = std::string(file.name()) == "cfg_ofdm_demod";
        if (top && is_resource_entry(child) != entries) continue;
        const pugi::xml_node other = saved.child(child.name());
        const bool leaf = !child.find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; });
        if (!other) {
            saved_match = pugi::xml_node();
            return child;
        }
        if (leaf) {
            if (!same_value(child.text().get(), other.text().get())) {
                saved_match = other;
                return child;
            }
        } else {
            const pugi::xml_node bad = first_refused(child, other, saved_match, entries);
            if (bad) return bad;
        }
    }
    return pugi::xml_node();
}

// The library's notices without the preset banner, on one line.
std::string notice_text(const std::string& captured) {
    std::stringstream in(captured);
    std::string line, out;
    while (std::getline(in, line)) {
        if (line.rfind("NOW IS", 0) == 0 || line.rfind("test_model default", 0) == 0 || line.empty())
            continue;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += (out.empty() ? "" : "; ") + line;
    }
    return out;
}

// The list element holding a piece that is not a number, for the recall's exception.
pugi::xml_node first_malformed_list(const pugi::xml_node& node) {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        const std::string text = child.text().get();
        std::vector<double> ignored;
        if (text.find(',') != std::string::npos && !number_list(text, ignored)) return child;
        const pugi::xml_node deeper = first_malformed_list(child);
        if (deeper) return deeper;
    }
    return pugi::xml_node();
}

void check_dropped_values(const std::string& path, const std::string& text, const pugi::xml_node& file_cfg,
                          const cfg_ofdm_t& settings, const std::string& notices) {
    pugi::xml_document again;
    pugi::xml_node root = again.append_child("settings");
    settings.save_ofdm_setting(root);
    pugi::xml_node saved_match;
    pugi::xml_node bad = first_refused(file_cfg, root.child("cfg_ofdm_demod"), saved_match, false);
    if (!bad) bad = first_refused(file_cfg, root.child("cfg_ofdm_demod"), saved_match, true);
    if (!bad) return;
    std::string message =
        path + ":" + std::to_string(line_of(text, bad.offset_debug())) + ": <" + bad.name() + ">";
    if (!saved_match) {
        message += " was ignored (at most 10 resource entries and 10 groups per entry are read); remove it";
    } else {
        message += " value '" + std::string(bad.text().get()) + "' was refused (the frame would keep '" +
                   saved_match.text().get() + "'); correct the value";
    }
    const std::string reason = notice_text(notices);
    if (!reason.empty()) message += " (library: " + reason + ")";
    throw cli_error_t(message);
}

frame_t load_settings_file(const std::string& path, const std::string& data_dir) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw cli_error_t(path + ": cannot open the settings file; check the path");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(text.data(), text.size());
    if (!parsed) {
        throw cli_error_t(path + ":" + std::to_string(line_of(text, parsed.offset)) + ": not valid XML (" +
                          parsed.description() +
                          "); fix the file or export a fresh one with 'ofdm-demod settings'");
    }
    pugi::xml_node holder = doc.child("cfg_ofdm_demod") ? pugi::xml_node(doc) : pugi::xml_node();
    for (pugi::xml_node n = doc.first_child(); !holder && n; n = n.next_sibling()) {
        if (n.child("cfg_ofdm_demod")) holder = n;
    }
    if (!holder) {
        throw cli_error_t(
            path +
            ": has no <cfg_ofdm_demod> element; start from 'ofdm-demod settings --standard wlan --out " +
            path + "'");
    }
    frame_t frame;
    frame.description = path;
    std::string notices;
    {
        vek::common_lib::report_capture_t capture;
        frame.settings.set_load_address(data_dir);
        try {
            frame.settings.recall_ofdm_setting(holder);
        } catch (const std::invalid_argument& e) {
            const pugi::xml_node bad = first_malformed_list(holder.child("cfg_ofdm_demod"));
            if (bad) {
                throw cli_error_t(path + ":" + std::to_string(line_of(text, bad.offset_debug())) + ": <" +
                                  bad.name() + "> '" + bad.text().get() +
                                  "' holds a piece that is not a number; lists are numbers each followed by "
                                  "a comma, e.g. 5,6,7,");
            }
            throw cli_error_t(path + ": a list holds a piece that is not a number (" + std::string(e.what()) +
                              "); lists are numbers each followed by a comma, e.g. 0.250000, or 5,6,7,");
        } catch (const std::out_of_range& e) {
            throw cli_error_t(path + ": a list holds a number too large to read (" + std::string(e.what()) +
                              "); correct the list");
        }
        notices = capture.text();
    }
    check_dropped_values(path, text, holder.child("cfg_ofdm_demod"), frame.settings, notices);
    return frame;
}

}  // namespace

lib_ofdm_standard_type_t parse_standard_name(const std::string& name) {
    if (name == "wlan") return vek::ofdm_demod_lib::LIB_OFDM_STANDARD_TYPE_WIFI;
    if (name == "lte-dl") return vek::ofdm_demod_lib::LIB_OFDM_STANDARD_TYPE_LTE_DL;
    if (name == "lte-ul") return vek::ofdm_demod_lib::LIB_OFDM_STANDARD_TYPE_LTE_UL;
    throw cli_error_t("option --standard: unknown standard '" + name + "'; use wlan, lte-dl or lte-ul");
}

const char* standard_name(lib_ofdm_standard_type_t standard) {
    switch (standard) {
        case vek::ofdm_demod_lib::LIB_OFDM_STANDARD_TYPE_LTE_DL:
            return "lte-dl";
        case vek::ofdm_demod_lib::LIB_OFDM_STANDARD_TYPE_LTE_UL:
            return "lte-ul";
        default:
            return "wlan";
    }
}

void rebuild_frame_tables(cfg_ofdm_t& settings, const std::string& origin) {
    vek::common_lib::report_capture_t notices;
    const bool ok = settings.generate_resource_map() && settings.generate_resource_mod_map() &&
                    settings.generate_ref_resource_data_vct();
    if (!ok) {
        std::string reason = notices.text();
        while (!reason.empty() && reason.back() == '\n') reason.pop_back();
        throw cli_error_t(origin + ": the resource entries do not describe a frame the map builders accept" +
                          (reason.empty() ? std::string() : " (" + reason + ")") +
                          "; check the symbol and subcarrier sets against the symbol count and FFT length");
    }
}

frame_t load_frame(const parsed_options_t& options, const std::string& standard_default) {
    const bool has_standard = options.has("standard");
    const bool has_settings = options.has("settings");
    if (has_standard && has_settings) throw cli_error_t("give either --standard or --settings, not both");
    const std::string data_dir = data_directory(options);
    if (has_settings) {
        frame_t frame = load_settings_file(*options.get("settings"), data_dir);
        rebuild_frame_tables(frame.settings, frame.description);
        return frame;
    }
    if (!has_standard && standard_default.empty()) {
        throw cli_error_t("missing frame: give --standard wlan|lte-dl|lte-ul or --settings FILE.xml");
    }
    const lib_ofdm_standard_type_t standard =
        parse_standard_name(options.get("standard").value_or(standard_default));
    frame_t frame;
    frame.description = std::string(standard_name(standard)) + " preset";
    frame.settings.set_load_address(data_dir);
    if (!frame.settings.set_standard(standard)) {
        throw cli_error_t("data directory " + data_dir + " lacks the " + standard_name(standard) +
                          " reference files; point --data-dir at the project's data/ folder");
    }
    rebuild_frame_tables(frame.settings, frame.description);
    return frame;
}

std::string settings_xml_text(const cfg_ofdm_t& settings) {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("ofdm_demod_settings");
    settings.save_ofdm_setting(root);
    std::ostringstream out;
    doc.save(out, "  ");
    return out.str();
}

}  // namespace vek::ofdm_demod_cli
