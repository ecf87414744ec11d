// Factory registries: per-stream tables that write each object and factory name once and read
// later occurrences as short references, in the encodings of native, "rw1" and "rw2" streams.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "talvo/error_info.h"
#include "talvo/object_registry.h"

namespace talvo::io {

// Factory names read must be 1 to this many bytes long.
inline constexpr std::uint32_t maxFactoryNameLength = 4096;

// The encodings of a factory reference, one per registry, by the marker values each reads and writes.
// Registry1: a name on its first occurrence (u32 length from 1, then its bytes), later u32 0 and the
// name's 1-based id.
struct FactoryRefLegacy {
    static constexpr std::uint32_t earlierName = 0;
};
// G1RwRegistry1: every reference carries its name (u32 length, then its bytes); this length is none.
struct FactoryRefRw1 {
    static constexpr std::uint32_t noFactory = 0xFFFFFFFF;
};
// G1RwRegistry2: u16 index of an earlier name, from 0, or this value and a new name (u32 length, bytes).
struct FactoryRefRw2 {
    static constexpr std::uint16_t newName = 0xFFFF;
};

// The four tables shared by every encoding.
class BasicRegistry : public Registry {
public:
    void resetObjects() override;
    void resetFactories() override;
    bool writeObjectRef(OStream& stream, std::uint32_t key, const char* factoryName,
                        bool anonymous) override;
    bool readObjectRef(IStream& stream, ObjectRef& ref, std::uint32_t& key) override;
    void rememberObject(void* object, std::uint32_t key) override;
    void forgetObject(std::uint32_t key) override;
    bool skipObjectRef(IStream& stream) override;

    // Writes a factory reference; true on success.
    virtual bool write_factory(OStream& stream, const char* name) = 0;
    // Reads a factory reference: the factory, or null for none and on failure. With warn set a
    // name without a factory is logged as a warning.
    virtual Factory* read_factory(IStream& stream, bool warn) = 0;

    [[nodiscard]] std::size_t readFactoryCount() const noexcept { return readFactories_.size(); }
    [[nodiscard]] std::size_t writtenFactoryCount() const noexcept { return writtenFactories_.size(); }

protected:
    // Reads a name of the given length and looks its factory up; the factory (null too) takes the
    // next id. A length outside 1 to 4096 fails the stream.
    Factory* readFactoryName(IStream& stream, std::uint32_t length, bool warn);
    // Logs and fails the stream for an id that names no factory read so far.
    Factory* invalidFactoryId(IStream& stream, std::uint32_t id);
    [[nodiscard]] Factory* readFactory(std::size_t index) const { return readFactories_[index]; }
    // Id of a written name (from 1), or 0 when not written yet.
    [[nodiscard]] std::uint32_t writtenFactoryId(const char* name) const;
    void rememberWrittenFactory(const char* name);

private:
    std::unordered_map<std::uint32_t, void*> readObjects_;
    std::vector<Factory*> readFactories_;
    std::unordered_set<std::uint32_t> writtenObjects_;
    // Owns copies of the names: a caller's text need not outlive the stream.
    std::map<std::string, std::uint32_t, std::less<>> writtenFactories_;
};

// Native and legacy streams, factory references as FactoryRefLegacy.
class Registry1 : public BasicRegistry {
public:
    bool write_factory(OStream& stream, const char* name) override;
    Factory* read_factory(IStream& stream, bool warn) override;
};

// "rw1" archives, read only, factory references as FactoryRefRw1.
class G1RwRegistry1 : public BasicRegistry {
public:
    bool write_factory(OStream& stream, const char* name) override;
    Factory* read_factory(IStream& stream, bool warn) override;
};

// "rw2" archives, read only, factory references as FactoryRefRw2.
class G1RwRegistry2 : public BasicRegistry {
public:
    bool write_factory(OStream& stream, const char* name) override;
    Factory* read_factory(IStream& stream, bool warn) override;
};

class InvalidFactoryNameLengthError : public ErrorInfo {
public:
    explicit InvalidFactoryNameLengthError(std::uint32_t length) noexcept : length_(length) {}
    std::size_t describe(char* buffer, std::size_t size) const noexcept override;

private:
    std::uint32_t length_;
};

class InvalidFactoryIdError : public ErrorInfo {
public:
    InvalidFactoryIdError(std::uint32_t id, std::size_t count) noexcept : id_(id), count_(count) {}
    std::size_t describe(char* buffer, std::size_t size) const noexcept override;

private:
    std::uint32_t id_;
    std::size_t count_;
};

}  // namespace talvo::io
