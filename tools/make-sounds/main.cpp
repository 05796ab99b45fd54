// pellow-make-sounds: renders the app's notification sounds as WAV files.
//
//   pellow-make-sounds <output-folder>
//
// The build runs this once and installs the results; the output depends only on this code.

#include "Synth.h"
#include "Voices.h"
#include "WavFile.h"

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

int main(int argc, char** argv)
{
    using namespace pellow::sounds;

    if (argc != 2) {
        std::cerr << "usage: " << (argc > 0 ? argv[0] : "pellow-make-sounds") << " <output-folder>\n";
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::cerr << "cannot create " << folder.string() << ": " << ec.message() << '\n';
        return 1;
    }

    for (const Voice& voice : voices()) {
        const auto path = folder / (std::string(voice.name) + ".wav");
        std::string error;
        if (!writeFile(path, encodeWav(voice.render(), kSampleRate), error)) {
            std::cerr << error << '\n';
            return 1;
        }
    }
    return 0;
}
