// Registries: the bytes of each encoding, object references, bad lengths and ids, name rewrites.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "talvo/exception.h"
#include "talvo/factory.h"
#include "talvo/istream.h"
#include "talvo/mem_buf.h"
#include "talvo/ostream.h"
#include "talvo/registry.h"
#include "test_support.h"

namespace {

using namespace talvo::io;
using talvotest::u16;
using talvotest::u32;

// Writes through a Registry1 into memory.
struct Writer {
    MemBuf buffer;
    OStream out{&buffer};
    Registry1 registry;
    std::string bytes() {
        buffer.pubseekpos(0, std::ios_base::in);
        return talvotest::drain(buffer);
    }
};

// Reads bytes with a registry of the given kind; mask 0 unless a test says otherwise.
template <class R>
struct Reader {
    explicit Reader(const std::string& bytes, IoState mask = 0) : buffer(talvotest::memoryOf(bytes)) {
        in.exceptions(mask);
    }
    std::unique_ptr<MemBuf> buffer;
    IStream in{buffer.get()};
    R registry;
};

// A factory registered for the life of a test.
struct Registered {
    explicit Registered(std::string name) : name_(std::move(name)) { registerFactory(name_, &factory); }
    ~Registered() { registerFactory(name_, nullptr); }
    talvo::Factory factory;

private:
    std::string name_;
};

TEST(Registry1Write, NamesOnceThenIdsFromItsOwnCopies) {
    Writer w;
    {
        std::string name = "graphics::Image";
        EXPECT_TRUE(w.registry.write_factory(w.out, name.c_str()));
        name.assign(name.size(), 'X');  // the table keeps its own copy
    }
    EXPECT_TRUE(w.registry.write_factory(w.out, "B"));
    EXPECT_TRUE(w.registry.write_factory(w.out, std::string("graphics::Image").c_str()));
    EXPECT_EQ(w.bytes(), u32(15) + "graphics::Image" + u32(1) + "B" + u32(0) + u32(1));

    const talvotest::LogWatch log;
    EXPECT_EQ(talvotest::failureText([&] { w.registry.write_factory(w.out, ""); }),
              "Invalid attempt to store empty factory name.");
    EXPECT_TRUE(log.has("talvo::io::Registry1::write_factory : ")) << log.text();

    w.out.exceptions(0);
    w.out.clear(failBit);
    EXPECT_FALSE(w.registry.write_factory(w.out, "C"));
    EXPECT_TRUE(log.has("[talvo.io] error: Failed to write factory name.\n"));
    EXPECT_EQ(w.registry.writtenFactoryCount(), 2u);
}

TEST(ObjectRefs, EachObjectOnceWithItsFactoryAndKeyOneAlways) {
    Writer w;
    EXPECT_TRUE(w.registry.writeObjectRef(w.out, 7, "A", false));
    EXPECT_FALSE(w.registry.writeObjectRef(w.out, 7, "A", false)) << "second time: the key alone";
    EXPECT_FALSE(w.registry.writeObjectRef(w.out, 0, "A", false)) << "no object";
    EXPECT_TRUE(w.registry.writeObjectRef(w.out, 9, "B", true)) << "anonymous: written as key 1, never remembered";
    // Key 1 is anonymous too, so a second write keeps the factory reference a reader expects.
    EXPECT_TRUE(w.registry.writeObjectRef(w.out, 1, "A", false));
    EXPECT_TRUE(w.registry.writeObjectRef(w.out, 1, "A", false));
    EXPECT_EQ(w.bytes(), u32(7) + u32(1) + "A" + u32(7) + u32(0) + u32(1) + u32(1) + "B" + u32(1) + u32(0) + u32(1) +
                             u32(1) + u32(0) + u32(1));
    w.registry.reset();
    EXPECT_TRUE(w.registry.writeObjectRef(w.out, 7, "A", false)) << "a reset forgets objects and names";
    EXPECT_EQ(w.bytes().substr(w.bytes().size() - 9), u32(7) + u32(1) + "A");
}

TEST(ObjectRefs, RoundTripThroughRegistry1) {
    Writer w;
    for (const auto& [key, name] : {std::pair{5u, "graphics::Image"}, {6u, "Palette"}, {5u, "graphics::Image"},
                                    {8u, "graphics::Image"}, {1u, "graphics::Image"}, {1u, "graphics::Image"},
                                    {0u, "graphics::Image"}})
        w.registry.writeObjectRef(w.out, key, name, false);

    Registered image("g::Image");
    Reader<Registry1> r(w.bytes());
    int objects[2];
    // Whether data follows, the key, the factory and the known object of the next reference.
    const auto next = [&] {
        ObjectRef ref;
        std::uint32_t key = 99;
        const bool data = r.registry.readObjectRef(r.in, ref, key);
        return std::tuple{data, key, static_cast<void*>(ref.factory), ref.object};
    };
    EXPECT_EQ(next(), std::tuple(true, 5u, &image.factory, nullptr)) << "found through the short name";
    r.registry.rememberObject(&objects[0], 5);
    const talvotest::LogWatch log;
    EXPECT_EQ(next(), std::tuple(true, 6u, nullptr, nullptr));
    EXPECT_TRUE(log.has("[talvo.io] warning: 'Palette' factory not found.\n"));
    EXPECT_EQ(next(), std::tuple(false, 5u, nullptr, &objects[0])) << "known object: no data follows";
    for (const std::uint32_t key : {8u, 1u, 1u})  // id 1 refers to the first name read
        EXPECT_EQ(next(), std::tuple(true, key, &image.factory, nullptr));
    EXPECT_EQ(next(), std::tuple(false, 0u, nullptr, nullptr));
    EXPECT_TRUE(r.in.good());
    EXPECT_EQ(r.registry.readFactoryCount(), 2u);
    r.registry.forgetObject(5);
    r.in.seekg(0);
    EXPECT_TRUE(std::get<0>(next())) << "a forgotten object is read again";

    Reader<Registry1> skip(u32(3) + u32(1) + "A" + u32(0) + u32(4) + u32(0) + u32(1));
    for (const bool expected : {true, false, true, false}) EXPECT_EQ(skip.registry.skipObjectRef(skip.in), expected);
}

TEST(Registry1Read, BadIdsAndNamesAreLoggedAndFailTheStream) {
    struct Case {
        std::string bytes;
        std::string entry;
    };
    const Case cases[] = {
        {u32(1) + "A" + u32(0) + u32(0), "Invalid factory id (0) while loading object. There are 1 factories loaded at the time."},
        {u32(1) + "A" + u32(0) + u32(2), "Invalid factory id (2) while loading object. There are 1 factories loaded at the time."},
        {u32(1) + "A" + u32(0) + u32(0xFFFFFFFF), "Invalid factory id (4294967295) while loading object. There are 1"},
        {u32(0) + "\x01", "Failed to read factory id."},
        {u32(10) + "abc", "Reading factory name failed."},
        {u32(4097) + std::string(4097, 'n'), "Invalid factory name length (4097)."},
    };
    for (const Case& c : cases) {
        Reader<Registry1> r(c.bytes);
        const talvotest::LogWatch log;
        while (r.in.good()) EXPECT_EQ(r.registry.read_factory(r.in, false), nullptr);
        EXPECT_TRUE(log.has("[talvo.io] error: " + c.entry)) << log.text();
    }

    // The longest name that is read has 4096 characters.
    Reader<G1RwRegistry1> longest(u32(4096) + std::string(4096, 'n'));
    EXPECT_EQ(longest.registry.read_factory(longest.in, false), nullptr);
    EXPECT_TRUE(longest.in.good());
    EXPECT_EQ(longest.registry.readFactoryCount(), 1u);
}

TEST(Rw1Read, EveryReferenceCarriesItsName) {
    Registered b("B");
    Reader<G1RwRegistry1> r(u32(1) + "B" + u32(0xFFFFFFFF) + u32(1) + "B");
    const talvotest::LogWatch log;
    EXPECT_EQ(r.registry.read_factory(r.in, true), &b.factory);
    EXPECT_EQ(r.registry.read_factory(r.in, true), nullptr) << "no factory";
    EXPECT_EQ(r.registry.read_factory(r.in, true), &b.factory);
    EXPECT_TRUE(r.in.good());
    EXPECT_EQ(log.text(), "") << "no factory is no failure";
}

TEST(Rw2Read, IndexRules) {
    Registered a("A");
    Reader<G1RwRegistry2> r(u16(0xFFFF) + u32(1) + "A" + u16(0xFFFF) + u32(1) + "C" + u16(1) + u16(0) + u16(2));
    EXPECT_EQ(r.registry.read_factory(r.in, false), &a.factory);
    EXPECT_EQ(r.registry.read_factory(r.in, false), nullptr);
    EXPECT_EQ(r.registry.read_factory(r.in, false), nullptr) << "index 1: the name C, not found";
    EXPECT_EQ(r.registry.read_factory(r.in, false), &a.factory) << "index 0: the first name";
    EXPECT_TRUE(r.in.good());
    const talvotest::LogWatch log;
    EXPECT_EQ(r.registry.read_factory(r.in, false), nullptr) << "index 2 of 2 names";
    EXPECT_EQ(r.in.rdstate(), failBit);
    EXPECT_TRUE(log.has("Invalid factory id (3) while loading object. There are 2 factories"));

    Reader<G1RwRegistry2> noLength(u16(0xFFFF) + "\x01");
    EXPECT_EQ(noLength.registry.read_factory(noLength.in, false), nullptr);
    EXPECT_TRUE(log.has("Failed to read factory name length.\n"));

    // With the mask the failure is thrown; its text says "this time" where the entry says "the time".
    Reader<G1RwRegistry2> first(u16(0), badBit | failBit);
    EXPECT_EQ(talvotest::failureText([&] { first.registry.read_factory(first.in, false); }),
              "Invalid factory id (1) while loading object. There are 0 factories loaded at this time.");
    EXPECT_TRUE(log.has("[talvo.io] error: Invalid factory id (1) while loading object. There are 0 factories loaded at the time.\n"));
    for (const std::uint32_t length : {0u, 4097u, 0xFFFFFFFEu}) {
        Reader<G1RwRegistry2> bad(u16(0xFFFF) + u32(length), badBit | failBit);
        EXPECT_EQ(talvotest::failureText([&] { bad.registry.read_factory(bad.in, true); }),
                  "Invalid factory name length (" + std::to_string(length) + ").");
    }
}

TEST(ArchiveRegistries, CannotWrite) {
    Writer w;
    G1RwRegistry1 rw1;
    G1RwRegistry2 rw2;
    for (BasicRegistry* registry : std::initializer_list<BasicRegistry*>{&rw1, &rw2})
        EXPECT_EQ(talvotest::failureText([&] { registry->write_factory(w.out, "A"); }), "NOT IMPLEMENTED");
}

TEST(FactoryNames, LongNamespacesAreShortenedOnAMissedLookup) {
    const std::pair<const char*, const char*> cases[] = {
        {"windows::Window", "win::Window"},   {"graphics::Image", "g::Image"},
        {"mathematics::Vector", "math::Vector"}, {"scene_graph::Node", "sg::Node"},
        {"direct3d::Device", "d3d::Device"},  {"scene_graph::graphics::Mesh", "sg::g::Mesh"},
        {"graphics::graphics::X", "g::g::X"}, {"g::Image", nullptr},
    };
    for (const auto& [in, out] : cases) {
        std::string name = in;
        EXPECT_EQ(normalizeFactoryName(name), out != nullptr) << in;
        EXPECT_EQ(name, out != nullptr ? out : in);
    }
    std::string text = "aXa";
    EXPECT_TRUE(replaceAll(text, "a", "aa")) << "a replacement that contains the text does not loop";
    EXPECT_EQ(text, "aaXaa");
    EXPECT_FALSE(replaceAll(text, "", "c"));

    Registered longName("graphics::Image");
    Registered shortName("g::Image");
    EXPECT_EQ(findFactory("graphics::Image"), &longName.factory) << "the exact name wins over the rewrite";
    EXPECT_EQ(findFactory("g::Image"), &shortName.factory);
    EXPECT_EQ(findFactory("graphics::Other"), nullptr);
    EXPECT_EQ(findFactory(nullptr), nullptr);
}

}  // namespace
