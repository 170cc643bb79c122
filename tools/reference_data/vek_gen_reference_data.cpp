// vek_gen_reference_data <out_dir>: writes the presets' reference data files below out_dir.
#include <cstdio>
#include <string>

#include "refgen_files.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: %s <out_dir>\n"
                     "  writes wlan54Mbps/, lteDL/ and lteUL/ below out_dir (the project's data/ holds the committed copy)\n",
                     argc > 0 ? argv[0] : "vek_gen_reference_data");
        return 2;
    }
    std::string error;
    if (!vek::tools::refgen::generate_reference_data(argv[1], error)) {
        std::fprintf(stderr, "vek_gen_reference_data: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
