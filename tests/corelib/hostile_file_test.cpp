// Files whose checksum is right but whose content no writer of the toolkit would produce: the
// reader must refuse them with tlx::Error and never let a claimed length or count decide how
// much it allocates.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "allocation_tracker.h"
#include "fixtures.h"
#include "framing.h"
#include "tlx/file.h"

namespace {

using tlx::cls_CoreFile;
using tlx::Variant;
using vodex::test::EncodeBody;
using vodex::test::FrameBody;
using vodex::test::WriteBytes;

class HostileFile : public ::testing::Test {
  protected:
    vodex::test::TempHome home;
    std::string path = home.File("hostile.dat");

    // Reads every value of a file made of `body`; returns how many were read before the first
    // error (or all), and notes the largest allocation.
    std::size_t ReadEverything(const std::string& body, std::size_t& largest, bool& failed) {
        WriteBytes(path, FrameBody(body));
        std::size_t read = 0;
        failed = false;
        vodex::test::StartTrackingAllocations();
        try {
            cls_CoreFile f;
            f.OPEN(path, cls_CoreFile::ModeRead);
            while (!f.ENDOFFILE()) {
                Variant v = f.READ();
                if (v.Type() == tlx::VarType::Date) v.ToText();
                ++read;
            }
        } catch (const tlx::Error&) {
            failed = true;
        }
        largest = vodex::test::StopTrackingAllocations();
        return read;
    }

    static std::string Le32(std::uint32_t v) {
        return std::string(reinterpret_cast<const char*>(&v), sizeof v);
    }
};

TEST_F(HostileFile, ClaimedSizesDoNotDecideAllocations) {
    const std::string arrayTag(1, static_cast<char>(tlx::VarType::Array));
    const std::string textTag(1, static_cast<char>(tlx::VarType::Text));
    const std::string emptyTag(1, static_cast<char>(tlx::VarType::Empty));
    std::string nested;
    for (int i = 0; i < 20; ++i)
        nested += arrayTag + Le32(0) + Le32(200);
    const std::string bodies[] = {
        arrayTag + Le32(0) + Le32(0xFFFFFFFFu) + std::string(64, emptyTag[0]),
        arrayTag + Le32(0) + Le32(1000) + std::string(900, emptyTag[0]),
        textTag + Le32(0x7FFFFFFFu) + "short",
        nested + std::string(100, emptyTag[0]),
    };
    for (const std::string& body : bodies) {
        std::size_t largest = 0;
        bool failed = false;
        ReadEverything(body, largest, failed);
        EXPECT_TRUE(failed);
        // The whole file is read at once; beyond that only what the values really hold.
        EXPECT_LE(largest, 2 * FrameBody(body).size() + 4096) << body.size();
    }
}

TEST_F(HostileFile, MalformedValuesAreRefused) {
    const char boolTag = static_cast<char>(tlx::VarType::Boolean);
    const char arrayTag = static_cast<char>(tlx::VarType::Array);
    std::string deep;
    for (int i = 0; i < 40; ++i)
        deep += std::string(1, arrayTag) + Le32(0) + Le32(1);
    deep += '\0';
    const std::string bodies[] = {
        std::string(1, boolTag) + '\x02',                                    // no Boolean
        std::string(1, '\x08'),                                              // an object
        std::string(1, '\x2A'),                                              // no type at all
        deep,                                                                // nested too deeply
        std::string(1, arrayTag) + Le32(0x80000000u) + Le32(0),              // bounds of nothing
        std::string(1, arrayTag) + Le32(0x7FFFFFFFu) + Le32(2) + "\0\0",     // bounds overflow
        std::string(1, static_cast<char>(tlx::VarType::Long)) + "\x01\x02",  // cut short
    };
    for (const std::string& body : bodies) {
        std::size_t largest = 0;
        bool failed = false;
        EXPECT_EQ(ReadEverything(body, largest, failed), 0u);
        EXPECT_TRUE(failed);
    }
    // Dates that no calendar holds cannot become texts.
    for (double serial : {std::numeric_limits<double>::quiet_NaN(), 1e300, -1e300}) {
        std::size_t largest = 0;
        bool failed = false;
        ReadEverything(EncodeBody({Variant(tlx::Date{serial})}), largest, failed);
        EXPECT_TRUE(failed) << serial;
    }
}

TEST_F(HostileFile, RandomContentNeverCrashesTheReader) {
    const std::string good = EncodeBody(
        {Variant("1.0"), Variant(3), Variant::Array(1, {Variant(2.5), Variant("x"), Variant(true)}),
         Variant(tlx::Bytes{1, 2, 3}), Variant(tlx::Date::FromParts(2001, 12, 5))});
    std::mt19937 rng(2026);
    for (int round = 0; round < 3000; ++round) {
        std::string body = good;
        for (int n = 1 + static_cast<int>(rng() % 3); n > 0; --n) {
            body[rng() % body.size()] = static_cast<char>(rng() % 256);
        }
        if (rng() % 4 == 0) body.resize(rng() % body.size());
        std::size_t largest = 0;
        bool failed = false;
        ReadEverything(body, largest, failed);  // any outcome but a crash or a foreign exception
        EXPECT_LE(largest, 2 * FrameBody(body).size() + 4096);
    }
}

TEST_F(HostileFile, APasswordIsNeverBypassed) {
    {
        cls_CoreFile f;
        f.OPEN(path, cls_CoreFile::ModeWrite);
        f.WRITE(Variant("plain"));
        f.CLOSE();
    }
    cls_CoreFile f;
    EXPECT_THROW(f.OPEN(path, cls_CoreFile::ModeRead, "kennwort"), tlx::Error);

    f.OPEN(path, cls_CoreFile::ModeWrite, "kennwort");
    f.WRITE(Variant("secret"));
    f.CLOSE();
    const std::string sealed = vodex::test::ReadBytes(path);
    // A damaged salt, cost or check value is damage, not a wrong password, and is found
    // before any key is derived.
    for (std::size_t at : {std::size_t{20}, std::size_t{33}, std::size_t{70}, std::size_t{85}}) {
        std::string bad = sealed;
        bad[at] ^= 0x10;
        WriteBytes(path, bad);
        try {
            f.OPEN(path, cls_CoreFile::ModeRead, "kennwort");
            FAIL() << "a damaged header was accepted (byte " << at << ")";
        } catch (const tlx::Error& e) {
            EXPECT_NE(std::string(e.what()).find("damaged"), std::string::npos) << e.what();
        }
    }
}

}  // namespace
