// Fuzz target: music command strings on the headless backend, one command per line of the
// input, so a run can open, play and close aliases; the aliases and the command log are
// cleared after every input.
#include "fuzz/fuzz_files.h"
#include "platform/headless/music.h"
#include "platform/music.h"
#include "platform/platform.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        plat::setBackendKind(plat::BackendKind::Headless);
        // A MIDI file (and a file that is not one) for "open" to find in the working folder.
        static const uint8_t midi[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
                                       'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0};
        fuzz::writeFile(fuzz::tempFolder() + "/a.mid", midi, sizeof midi);
        fuzz::writeFile(fuzz::tempFolder() + "/b.mid", midi + 4, sizeof midi - 4);
        if (::chdir(fuzz::tempFolder().c_str()) != 0)
            std::abort();
        return true;
    }();
    (void)ready;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // "open" reads the start of any file it names: keep it away from devices that would block.
    for (std::string_view place : {"/dev", "/proc", "/sys", "dev/"})
        if (text.find(place) != std::string_view::npos)
            return 0;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        (void)plat::sendMusicCommand(text.substr(start, end - start));
        start = end + 1;
    }
    plat::headless::resetMusic();
    return 0;
}
