// Fuzz target: arbitrary bytes opened as a stream from memory (native, "rw1"/"rw2" archive or
// legacy), then read as integers and object references, with the exception mask off and on.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "talvo/exception.h"
#include "talvo/istream.h"
#include "talvo/log_category.h"
#include "talvo/mem_buf.h"
#include "talvo/registry.h"

namespace {

using namespace talvo::io;

void readStream(const std::uint8_t* data, std::size_t size, IoState mask)
{
    auto* block = static_cast<char*>(std::malloc(size == 0 ? 1 : size));
    if (block == nullptr)
        return;
    if (size != 0)
        std::memcpy(block, data, size);
    MemBuf buffer;
    buffer.set(block, size, size);
    IStream in(&buffer);
    try {
        in.exceptions(mask);
        in.readStreamHeader();
        int objects[4];
        for (int step = 0; step < 256 && !in.fail(); ++step) {
            // The stream's own integers choose the next read, so the fuzzer can steer.
            std::uint32_t choice = 0;
            in >> choice;
            Registry* registry = in.registry();
            switch (choice % 4) {
            case 0:
                if (registry != nullptr) {
                    ObjectRef ref;
                    std::uint32_t key = 0;
                    if (registry->readObjectRef(in, ref, key))
                        registry->rememberObject(&objects[key % 4], key);
                }
                break;
            case 1:
                if (registry != nullptr)
                    registry->skipObjectRef(in);
                break;
            case 2: {
                char bytes[64];
                in.readPartial(bytes, (choice >> 2) % sizeof bytes);
                break;
            }
            default:
                in.seekg(in.dataStart() + (choice >> 2) % 16);
                break;
            }
        }
        in.close();
    } catch (const talvo::Exception&) {
        // Failures are the expected answer to most inputs.
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Every rejected input would log an entry; a fuzz run makes millions.
    ++talvo::logGate.suspend;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    readStream(data, size, 0);
    readStream(data, size, badBit | failBit);
    return 0;
}
