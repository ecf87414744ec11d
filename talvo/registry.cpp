// Factory registries: object and factory reference tables and their three encodings.
#include "talvo/registry.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>

#include "talvo/exception.h"
#include "talvo/factory.h"
#include "talvo/istream.h"
#include "talvo/log.h"
#include "talvo/ostream.h"
#include "talvo/throw_report.h"

namespace talvo::io {

Registry::~Registry() = default;

void Registry::reset()
{
    resetObjects();
    resetFactories();
}

std::unique_ptr<Registry> makeRegistry1()
{
    return std::make_unique<Registry1>();
}

void BasicRegistry::resetObjects()
{
    readObjects_.clear();
    writtenObjects_.clear();
}

void BasicRegistry::resetFactories()
{
    readFactories_.clear();
    writtenFactories_.clear();
}

bool BasicRegistry::writeObjectRef(OStream& stream, std::uint32_t key, const char* factoryName,
                                   bool anonymous)
{
    // Readers take key 1 as an object without identity that always carries its factory, so it is
    // written that way whether or not the caller said so.
    anonymous = anonymous || key == anonymousObjectKey;
    stream.writeU32(anonymous ? anonymousObjectKey : key);
    if (stream.fail())
        return false;
    if (!anonymous && (key == noObjectKey || writtenObjects_.contains(key)))
        return false;
    if (!write_factory(stream, factoryName))
        return false;
    if (!anonymous)
        writtenObjects_.insert(key);
    return true;
}

bool BasicRegistry::readObjectRef(IStream& stream, ObjectRef& ref, std::uint32_t& key)
{
    key = noObjectKey;
    stream >> key;
    if (stream.fail() || key == noObjectKey)
        return false;
    if (key != anonymousObjectKey) {
        if (const auto found = readObjects_.find(key); found != readObjects_.end()) {
            ref.object = found->second;
            return false;
        }
    }
    const bool needFactory = ref.factory == nullptr;
    Factory* factory = read_factory(stream, needFactory);
    if (needFactory)
        ref.factory = factory;
    return true;
}

void BasicRegistry::rememberObject(void* object, std::uint32_t key)
{
    if (key != anonymousObjectKey)
        readObjects_[key] = object;
}

void BasicRegistry::forgetObject(std::uint32_t key)
{
    if (key != anonymousObjectKey)
        readObjects_.erase(key);
}

bool BasicRegistry::skipObjectRef(IStream& stream)
{
    std::uint32_t key = noObjectKey;
    stream >> key;
    if (stream.fail() || key == noObjectKey)
        return false;
    if (key != anonymousObjectKey && readObjects_.contains(key))
        return true;
    read_factory(stream, false);
    return true;
}

Factory* BasicRegistry::readFactoryName(IStream& stream, std::uint32_t length, bool warn)
{
    if (length == 0 || length > maxFactoryNameLength) {
        logError << "Invalid factory name length (" << length << ")." << std::endl;
        const InvalidFactoryNameLengthError cause(length);
        stream.setstate(failBit, &cause);
        return nullptr;
    }
    std::string name(length, '\0');
    stream.read(name.data(), length);
    if (stream.fail()) {
        logError << "Reading factory name failed." << std::endl;
        return nullptr;
    }
    // A name is a text: whatever follows a zero byte is not part of it.
    Factory* factory = findFactory(name.c_str());
    readFactories_.push_back(factory);
    if (factory == nullptr && warn)
        logWarning << "'" << name.c_str() << "' factory not found." << std::endl;
    return factory;
}

Factory* BasicRegistry::invalidFactoryId(IStream& stream, std::uint32_t id)
{
    logError << "Invalid factory id (" << id << ") while loading object. There are "
             << readFactories_.size() << " factories loaded at the time." << std::endl;
    const InvalidFactoryIdError cause(id, readFactories_.size());
    stream.setstate(failBit, &cause);
    return nullptr;
}

std::uint32_t BasicRegistry::writtenFactoryId(const char* name) const
{
    const auto found = writtenFactories_.find(std::string_view(name));
    return found == writtenFactories_.end() ? 0 : found->second;
}

void BasicRegistry::rememberWrittenFactory(const char* name)
{
    const auto id = static_cast<std::uint32_t>(writtenFactories_.size() + 1);
    writtenFactories_.emplace(name, id);
}

bool Registry1::write_factory(OStream& stream, const char* name)
{
    if (name == nullptr)
        name = "";
    const std::uint32_t id = writtenFactoryId(name);
    if (id == 0) {
        if (name[0] == '\0') {
            const Failure failure("Invalid attempt to store empty factory name.");
            reportAndThrow(TALVO_SOURCE_LOCATION("talvo::io::Registry1::write_factory"), failure);
        }
        const auto length = static_cast<std::uint32_t>(std::strlen(name));
        stream.writeU32(length);
        if (stream.good()) {
            stream.writeBytes(name, length);
            if (stream.good()) {
                rememberWrittenFactory(name);
                return true;
            }
        }
        logError << "Failed to write factory name." << std::endl;
        return false;
    }
    stream.writeU32(FactoryRefLegacy::earlierName);
    if (stream.good()) {
        stream.writeU32(id);
        if (stream.good())
            return true;
    }
    logError << "Failed to write factory id." << std::endl;
    return false;
}

Factory* Registry1::read_factory(IStream& stream, bool warn)
{
    std::uint32_t length = 0;
    stream >> length;
    if (stream.fail())
        return nullptr;
    if (length != FactoryRefLegacy::earlierName)
        return readFactoryName(stream, length, warn);
    std::uint32_t id = 0;
    stream >> id;
    if (stream.fail()) {
        logError << "Failed to read factory id." << std::endl;
        return nullptr;
    }
    if (id >= 1 && id <= readFactoryCount())
        return readFactory(id - 1);
    return invalidFactoryId(stream, id);
}

bool G1RwRegistry1::write_factory(OStream&, const char*)
{
    throwNotImplemented("NOT IMPLEMENTED");
}

Factory* G1RwRegistry1::read_factory(IStream& stream, bool warn)
{
    std::uint32_t length = 0;
    stream >> length;
    if (stream.good() && length != FactoryRefRw1::noFactory)
        return readFactoryName(stream, length, warn);
    return nullptr;
}

bool G1RwRegistry2::write_factory(OStream&, const char*)
{
    throwNotImplemented("NOT IMPLEMENTED");
}

Factory* G1RwRegistry2::read_factory(IStream& stream, bool warn)
{
    std::uint16_t index = 0;
    stream >> index;
    if (stream.fail())
        return nullptr;
    if (index != FactoryRefRw2::newName) {
        const std::uint32_t id = std::uint32_t{index} + 1;
        if (id > readFactoryCount())
            return invalidFactoryId(stream, id);
        return readFactory(index);
    }
    std::uint32_t length = 0;
    stream >> length;
    if (stream.fail()) {
        logError << "Failed to read factory name length." << std::endl;
        return nullptr;
    }
    return readFactoryName(stream, length, warn);
}

std::size_t InvalidFactoryNameLengthError::describe(char* buffer, std::size_t size) const noexcept
{
    if (buffer == nullptr || size == 0)
        return 0;
    char text[64];
    std::snprintf(text, sizeof text, "Invalid factory name length (%u).", static_cast<unsigned>(length_));
    return appendBase(buffer, size, appendText(buffer, size, 0, text));
}

std::size_t InvalidFactoryIdError::describe(char* buffer, std::size_t size) const noexcept
{
    if (buffer == nullptr || size == 0)
        return 0;
    char text[160];
    std::snprintf(text, sizeof text,
                  "Invalid factory id (%u) while loading object. There are %zu factories loaded at "
                  "this time.",
                  static_cast<unsigned>(id_), count_);
    return appendBase(buffer, size, appendText(buffer, size, 0, text));
}

}  // namespace talvo::io
