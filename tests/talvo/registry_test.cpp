// Registries: the bytes of each encoding, object references, bad lengths and ids, name rewrites.
#include "talvo/exception.h"
#include "talvo/factory.h"
#include "talvo/istream.h"
#include "talvo/mem_buf.h"
#include "talvo/ostream.h"
#include "talvo/registry.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "test_support.h"

namespace {

using namespace talvo::io;

using talvotest::memoryOf;
using talvotest::u16;
using talvotest::u32;

// Writes through a Registry1 into memory.
struct Writer {
    MemBuf buffer;
    OStream out{&buffer};
    Registry1 registry;
    std::string bytes() { buffer.pubseekpos(0, std::ios_base::in); return talvotest::drain(buffer); }
};

// Reads bytes with a registry of the given kind; mask 0 unless a test says otherwise.
template <class R>
struct Reader {
    explicit Reader(const std::string& bytes, IoState mask = 0) : buffer(memoryOf(bytes))
    {
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

TEST(Registry1Write, NamesOnceThenIds)
{
    Writer w;
    EXPECT_TRUE(w.registry.write_factory(w.out, "A"));
    EXPECT_TRUE(w.registry.write_factory(w.out, "B"));
    EXPECT_TRUE(w.registry.write_factory(w.out, "A"));
    EXPECT_EQ(w.bytes(), u32(1) + "A" + u32(1) + "B" + u32(0) + u32(1));
}

TEST(Registry1Write, NamesAreCopiedSoTheCallersTextMayGo)
{
    Writer w;
    {
        std::string name = "graphics::Image";
        EXPECT_TRUE(w.registry.write_factory(w.out, name.c_str()));
        name.assign(name.size(), 'X');
    }
    EXPECT_TRUE(w.registry.write_factory(w.out, std::string("graphics::Image").c_str()));
    EXPECT_EQ(w.bytes(), u32(15) + "graphics::Image" + u32(0) + u32(1));
}

TEST(Registry1Write, EmptyNameIsReportedAndThrown)
{
    Writer w;
    const talvotest::LogWatch log;
    try {
        w.registry.write_factory(w.out, "");
        FAIL() << "nothing thrown";
    } catch (const Failure& failure) {
        EXPECT_STREQ(failure.what(), "Invalid attempt to store empty factory name.");
    }
    EXPECT_NE(log.text().find("talvo::io::Registry1::write_factory : "), std::string::npos) << log.text();
    EXPECT_EQ(w.bytes(), "");
}

TEST(Registry1Write, FailedStreamLogsAndAnswersFalse)
{
    Writer w;
    w.out.exceptions(0);
    w.out.clear(failBit);
    const talvotest::LogWatch log;
    EXPECT_FALSE(w.registry.write_factory(w.out, "A"));
    EXPECT_NE(log.text().find("[talvo.io] error: Failed to write factory name.\n"), std::string::npos);
    EXPECT_EQ(w.registry.writtenFactoryCount(), 0u);
}

TEST(ObjectRefs, EachObjectOnceWithItsFactory)
{
    Writer w;
    EXPECT_TRUE(w.registry.writeObjectRef(w.out, 7, "A", false));
    EXPECT_FALSE(w.registry.writeObjectRef(w.out, 7, "A", false)) << "second time: the key alone";
    EXPECT_FALSE(w.registry.writeObjectRef(w.out, 0, "A", false)) << "no object";
    EXPECT_TRUE(w.registry.writeObjectRef(w.out, 9, "A", false));
    EXPECT_TRUE(w.registry.writeObjectRef(w.out, 9, "B", true)) << "anonymous: never remembered";
    EXPECT_EQ(w.bytes(), u32(7) + u32(1) + "A" + u32(7) + u32(0) + u32(9) + u32(0) + u32(1) +
                             u32(1) + u32(1) + "B");
}

TEST(ObjectRefs, KeyOneIsAlwaysWrittenWithItsFactory)
{
    Writer w;
    EXPECT_TRUE(w.registry.writeObjectRef(w.out, 1, "A", false));
    EXPECT_TRUE(w.registry.writeObjectRef(w.out, 1, "A", false));
    EXPECT_EQ(w.bytes(), u32(1) + u32(1) + "A" + u32(1) + u32(0) + u32(1));

    Reader<Registry1> r(w.bytes());
    Registered a("A");
    for (int i = 0; i < 2; ++i) {
        ObjectRef ref;
        std::uint32_t key = 0;
        EXPECT_TRUE(r.registry.readObjectRef(r.in, ref, key));
        EXPECT_EQ(key, 1u);
        EXPECT_EQ(ref.factory, &a.factory);
    }
    EXPECT_TRUE(r.in.good());
}

TEST(ObjectRefs, RoundTripThroughRegistry1)
{
    Writer w;
    w.registry.writeObjectRef(w.out, 5, "graphics::Image", false);
    w.registry.writeObjectRef(w.out, 6, "Palette", false);
    w.registry.writeObjectRef(w.out, 5, "graphics::Image", false);
    w.registry.writeObjectRef(w.out, 8, "graphics::Image", false);
    w.registry.writeObjectRef(w.out, 0, "graphics::Image", false);

    Registered image("g::Image");
    Reader<Registry1> r(w.bytes());
    int objects[3];
    ObjectRef ref;
    std::uint32_t key = 0;

    ASSERT_TRUE(r.registry.readObjectRef(r.in, ref, key));
    EXPECT_EQ(key, 5u);
    EXPECT_EQ(ref.factory, &image.factory) << "found through the short name";
    r.registry.rememberObject(&objects[0], key);

    ref = {};
    const talvotest::LogWatch log;
    ASSERT_TRUE(r.registry.readObjectRef(r.in, ref, key));
    EXPECT_EQ(key, 6u);
    EXPECT_EQ(ref.factory, nullptr);
    EXPECT_NE(log.text().find("[talvo.io] warning: 'Palette' factory not found.\n"), std::string::npos);
    r.registry.rememberObject(&objects[1], key);

    ref = {};
    EXPECT_FALSE(r.registry.readObjectRef(r.in, ref, key)) << "known object: no data follows";
    EXPECT_EQ(ref.object, &objects[0]);

    ref = {};
    ASSERT_TRUE(r.registry.readObjectRef(r.in, ref, key));
    EXPECT_EQ(key, 8u);
    EXPECT_EQ(ref.factory, &image.factory) << "id 1 refers to the first name read";

    EXPECT_FALSE(r.registry.readObjectRef(r.in, ref, key));
    EXPECT_EQ(key, 0u);
    EXPECT_TRUE(r.in.good());
    EXPECT_EQ(r.registry.readFactoryCount(), 2u);

    r.registry.forgetObject(5);
    r.in.seekg(0);
    ref = {};
    EXPECT_TRUE(r.registry.readObjectRef(r.in, ref, key));
}

TEST(ObjectRefs, SkipReadsPastReferences)
{
    Reader<Registry1> r(u32(3) + u32(1) + "A" + u32(0) + u32(4) + u32(0) + u32(1));
    EXPECT_TRUE(r.registry.skipObjectRef(r.in));
    EXPECT_FALSE(r.registry.skipObjectRef(r.in));
    EXPECT_TRUE(r.registry.skipObjectRef(r.in));
    EXPECT_TRUE(r.in.good());
    EXPECT_FALSE(r.registry.skipObjectRef(r.in)) << "end of stream";
}

TEST(Registry1Read, InvalidIdsFailTheStream)
{
    for (const std::uint32_t id : {0u, 2u, 0xFFFFFFFFu}) {
        Reader<Registry1> r(u32(1) + "A" + u32(0) + u32(id));
        EXPECT_EQ(r.registry.read_factory(r.in, false), nullptr);
        const talvotest::LogWatch log;
        EXPECT_EQ(r.registry.read_factory(r.in, false), nullptr);
        EXPECT_EQ(r.in.rdstate(), failBit);
        EXPECT_NE(log.text().find("[talvo.io] error: Invalid factory id (" + std::to_string(id) +
                                  ") while loading object. There are 1 factories loaded at the time.\n"),
                  std::string::npos)
            << log.text();
    }
}

TEST(Registry1Read, MissingIdIsLogged)
{
    Reader<Registry1> r(u32(0) + "\x01");
    const talvotest::LogWatch log;
    EXPECT_EQ(r.registry.read_factory(r.in, false), nullptr);
    EXPECT_NE(log.text().find("Failed to read factory id.\n"), std::string::npos);
}

TEST(FactoryNameLength, UpTo4096IsReadAndLongerIsRejected)
{
    const std::string longest(4096, 'n');
    Reader<G1RwRegistry1> ok(u32(4096) + longest);
    EXPECT_EQ(ok.registry.read_factory(ok.in, false), nullptr);
    EXPECT_TRUE(ok.in.good());
    EXPECT_EQ(ok.registry.readFactoryCount(), 1u);

    Reader<G1RwRegistry1> bad(u32(4097) + longest + "n");
    const talvotest::LogWatch log;
    EXPECT_EQ(bad.registry.read_factory(bad.in, false), nullptr);
    EXPECT_EQ(bad.in.rdstate(), failBit);
    EXPECT_EQ(bad.registry.readFactoryCount(), 0u);
    EXPECT_NE(log.text().find("[talvo.io] error: Invalid factory name length (4097).\n"), std::string::npos);
}

TEST(FactoryNameLength, BadLengthThrowsThroughTheStreamWhenMasked)
{
    for (const std::uint32_t length : {0u, 4097u, 0xFFFFFFFEu}) {
        Reader<G1RwRegistry2> r2(u16(0xFFFF) + u32(length), badBit | failBit);
        try {
            r2.registry.read_factory(r2.in, true);
            FAIL() << "nothing thrown";
        } catch (const Failure& failure) {
            EXPECT_EQ(std::string(failure.what()),
                      "Invalid factory name length (" + std::to_string(length) + ").");
        }
    }
}

TEST(FactoryNameLength, NameCutShortIsLogged)
{
    Reader<G1RwRegistry1> r(u32(10) + "abc");
    const talvotest::LogWatch log;
    EXPECT_EQ(r.registry.read_factory(r.in, false), nullptr);
    EXPECT_NE(log.text().find("Reading factory name failed.\n"), std::string::npos);
    EXPECT_EQ(r.registry.readFactoryCount(), 0u);
}

TEST(Rw1Read, EveryReferenceCarriesItsName)
{
    Registered b("B");
    Reader<G1RwRegistry1> r(u32(1) + "B" + u32(0xFFFFFFFF) + u32(1) + "B");
    const talvotest::LogWatch log;
    EXPECT_EQ(r.registry.read_factory(r.in, true), &b.factory);
    EXPECT_EQ(r.registry.read_factory(r.in, true), nullptr) << "no factory";
    EXPECT_EQ(r.registry.read_factory(r.in, true), &b.factory);
    EXPECT_TRUE(r.in.good());
    EXPECT_EQ(log.text(), "") << "no factory is no failure";
}

TEST(Rw2Read, IndexRules)
{
    Registered a("A");
    Reader<G1RwRegistry2> r(u16(0xFFFF) + u32(1) + "A" + u16(0xFFFF) + u32(1) + "C" + u16(1) + u16(0) +
                            u16(2));
    EXPECT_EQ(r.registry.read_factory(r.in, false), &a.factory);
    EXPECT_EQ(r.registry.read_factory(r.in, false), nullptr);
    EXPECT_EQ(r.registry.read_factory(r.in, false), nullptr) << "index 1: the name C, not found";
    EXPECT_EQ(r.registry.read_factory(r.in, false), &a.factory) << "index 0: the first name";
    EXPECT_TRUE(r.in.good());

    const talvotest::LogWatch log;
    EXPECT_EQ(r.registry.read_factory(r.in, false), nullptr) << "index 2 of 2 names";
    EXPECT_EQ(r.in.rdstate(), failBit);
    EXPECT_NE(log.text().find("Invalid factory id (3) while loading object. There are 2 factories"),
              std::string::npos);
}

TEST(Rw2Read, IndexZeroBeforeAnyNameIsInvalidIdOne)
{
    Reader<G1RwRegistry2> r(u16(0), badBit | failBit);
    const talvotest::LogWatch log;
    try {
        r.registry.read_factory(r.in, false);
        FAIL() << "nothing thrown";
    } catch (const Failure& failure) {
        EXPECT_STREQ(failure.what(),
                     "Invalid factory id (1) while loading object. There are 0 factories loaded at this time.");
    }
    EXPECT_NE(log.text().find("[talvo.io] error: Invalid factory id (1) while loading object. There are 0 "
                              "factories loaded at the time.\n"),
              std::string::npos)
        << log.text();
}

TEST(Rw2Read, MissingLengthIsLogged)
{
    Reader<G1RwRegistry2> r(u16(0xFFFF) + "\x01");
    const talvotest::LogWatch log;
    EXPECT_EQ(r.registry.read_factory(r.in, false), nullptr);
    EXPECT_NE(log.text().find("Failed to read factory name length.\n"), std::string::npos);
}

TEST(ArchiveRegistries, CannotWrite)
{
    Writer w;
    G1RwRegistry1 rw1;
    G1RwRegistry2 rw2;
    for (BasicRegistry* registry : std::initializer_list<BasicRegistry*>{&rw1, &rw2}) {
        try {
            registry->write_factory(w.out, "A");
            FAIL() << "nothing thrown";
        } catch (const talvo::Exception& exception) {
            EXPECT_STREQ(exception.what(), "NOT IMPLEMENTED");
        }
    }
}

TEST(ResetRegistry, ForgetsEverything)
{
    Writer w;
    w.registry.writeObjectRef(w.out, 5, "A", false);
    w.registry.reset();
    EXPECT_TRUE(w.registry.writeObjectRef(w.out, 5, "A", false));
    EXPECT_EQ(w.bytes(), u32(5) + u32(1) + "A" + u32(5) + u32(1) + "A");
}

TEST(FactoryNames, LongNamespacesAreShortenedOnAMissedLookup)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"windows::Window", "win::Window"},
        {"graphics::Image", "g::Image"},
        {"mathematics::Vector", "math::Vector"},
        {"scene_graph::Node", "sg::Node"},
        {"direct3d::Device", "d3d::Device"},
        {"scene_graph::graphics::Mesh", "sg::g::Mesh"},
        {"graphics::graphics::X", "g::g::X"},
    };
    for (const auto& c : cases) {
        std::string name = c.in;
        EXPECT_TRUE(normalizeFactoryName(name));
        EXPECT_EQ(name, c.out);
    }
    std::string plain = "g::Image";
    EXPECT_FALSE(normalizeFactoryName(plain));
    EXPECT_EQ(plain, "g::Image");
}

TEST(FactoryNames, ReplaceAllDoesNotLoopOnAReplacementThatContainsTheText)
{
    std::string text = "aXa";
    EXPECT_TRUE(replaceAll(text, "a", "aa"));
    EXPECT_EQ(text, "aaXaa");
    EXPECT_FALSE(replaceAll(text, "b", "c"));
    EXPECT_FALSE(replaceAll(text, "", "c"));
}

TEST(FactoryNames, ExactNameWinsOverTheRewrite)
{
    Registered longName("graphics::Image");
    Registered shortName("g::Image");
    EXPECT_EQ(findFactory("graphics::Image"), &longName.factory);
    EXPECT_EQ(findFactory("g::Image"), &shortName.factory);
    EXPECT_EQ(findFactory("graphics::Other"), nullptr);
    EXPECT_EQ(findFactory(nullptr), nullptr);
}

TEST(StreamHeaderRegistry, LegacyStreamsReadFactoryReferencesWithRegistry1)
{
    Registered a("A");
    auto buffer = memoryOf(u32(1) + u32(1) + "A" + u32(1) + u32(0) + u32(1));
    IStream in(buffer.get());
    in.readStreamHeader();
    Registry* registry = in.registry();
    ASSERT_NE(registry, nullptr);
    ObjectRef ref;
    std::uint32_t key = 0;
    EXPECT_TRUE(registry->readObjectRef(in, ref, key));
    EXPECT_EQ(ref.factory, &a.factory);
    ref = {};
    EXPECT_TRUE(registry->readObjectRef(in, ref, key));
    EXPECT_EQ(ref.factory, &a.factory);
}

}  // namespace
