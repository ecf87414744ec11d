// The registry interface a stream holds for its object references, apart from the encodings so
// that the streams need not see them.
#pragma once

#include <cstdint>
#include <memory>

namespace talvo {
class Factory;
}

namespace talvo::io {

class IStream;
class OStream;

// Object key 0 names no object; key 1 an object written without identity, always followed by its
// factory reference.
inline constexpr std::uint32_t noObjectKey = 0;
inline constexpr std::uint32_t anonymousObjectKey = 1;

// An object reference as read: the object when it was read before, else the factory to make it.
struct ObjectRef {
    void* object = nullptr;
    Factory* factory = nullptr;
};

class Registry {
public:
    Registry() = default;
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;
    virtual ~Registry();

    virtual void reset();
    virtual void resetObjects() = 0;
    virtual void resetFactories() = 0;
    // Writes the reference of an object; true when the caller must now write the object's data.
    virtual bool writeObjectRef(OStream& stream, std::uint32_t key, const char* factoryName,
                                bool anonymous) = 0;
    // Reads a reference; true when the object's data follows and the caller must create the object
    // with ref.factory.
    virtual bool readObjectRef(IStream& stream, ObjectRef& ref, std::uint32_t& key) = 0;
    // Maps the key of an object just read and created to it (key 1 is ignored).
    virtual void rememberObject(void* object, std::uint32_t key) = 0;
    virtual void forgetObject(std::uint32_t key) = 0;
    // Reads past a reference; true when object data follows.
    virtual bool skipObjectRef(IStream& stream) = 0;
};

// The registry of native and legacy streams (Registry1).
[[nodiscard]] std::unique_ptr<Registry> makeRegistry1();

}  // namespace talvo::io
