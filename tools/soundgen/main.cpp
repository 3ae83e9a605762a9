// soundgen [OUTPUT_ROOT]
//
// Writes resources/sounds/jellop_move.wav and jellop_die.wav under
// OUTPUT_ROOT (default: this source tree).
#include <filesystem>
#include <fstream>
#include <iostream>

#include "sounds.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const fs::path root = argc > 1 ? fs::path(argv[1]) : fs::path(JELLOP_SOURCE_DIR);
    for (const auto& [relative, bytes] : jellop::sound::generateSounds()) {
        const fs::path path = root / relative;
        fs::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::cerr << "soundgen: cannot write " << path << "\n";
            return 1;
        }
        std::cout << "wrote " << relative << " (" << bytes.size() << " bytes)\n";
    }
    return 0;
}
