// The output file unit over the stand-in's files: what the disk took is what the file holds and what
// it counts, the Info frame goes over the place holder only when the file holds every write, the tag
// comes last, and the file goes through its handle only where the system grants that right.
#include "Mp3File.h"
#include "FakeDevice.h"

namespace {

const std::string kTag = "TAG" + std::string(60, 0) + "kavel.example" + std::string(52, 0);

class Mp3FileTest : public CJobTest {};

TEST_F(Mp3FileTest, HoldsWhatTheDiskTookAndStatesALengthOnlyWhenWhole) {
    // Writes the disk refuses (by number, 0 = the place holder), the Info frame offered, whether the
    // file is then removed, and what it holds at the end.
    const struct {
        std::vector<int> refused;
        std::string info;
        bool remove;
        std::string held;
    } rows[] = {
        {{}, "INFO", false, "INFOabcde" + kTag},
        {{2}, "INFO", false, "HOLDabc" + kTag},         // a hole: no length stated
        {{0}, "INFO", false, "abcde" + kTag},           // no place holder to write over
        {{}, "INFORMATION", false, "HOLDabcde" + kTag}, // not the place holder's size
        {{}, "INFO", true, ""},
    };
    for (const auto& row : rows) {
        fakewin::flushes = 0;
        int write = 0;
        auto next = [&] {
            fakewin::failWrites = std::count(row.refused.begin(), row.refused.end(), write++);
        };
        next();
        SJobFault fault;
        CMp3File* file = CMp3File::Create(L"f", 1, reinterpret_cast<const uint8_t*>("HOLD"), 4, &fault);
        ASSERT_NE(file, nullptr);
        uint64_t took = row.refused == std::vector{0} ? 0 : 4;
        for (const char* part : {"abc", "de"}) {
            next();
            const bool refused = fakewin::failWrites > 0;
            file->Write(reinterpret_cast<const uint8_t*>(part), uint32_t(strlen(part)));
            took += refused ? 0 : strlen(part);
            EXPECT_EQ(std::vector({uint64_t(file->IsFailing()), file->Bytes()}),
                      std::vector({uint64_t(refused), took}));
        }
        file->Flush();
        if (row.remove) {
            EXPECT_EQ(file->Remove(), 1);
        } else {
            file->Finish(reinterpret_cast<const uint8_t*>(row.info.data()), uint32_t(row.info.size()));
            EXPECT_EQ(file->Bytes(), took + 128);
        }
        delete file;
        EXPECT_EQ(fakewin::flushes, row.remove ? 1 : 2) << "asked, and as it closes";
        EXPECT_EQ(Read("f"), row.held);
    }
}

TEST_F(Mp3FileTest, ReplacesOnlyWhenToldAndIsKeptWhereItMayNotBeDeleted) {
    std::ofstream("f") << "old";
    SJobFault fault;
    EXPECT_EQ(CMp3File::Create(L"f", 0, nullptr, 0, &fault), nullptr);
    EXPECT_EQ(std::vector({fault.kind, int32_t(fault.code)}), std::vector({int32_t{kJobFileCreate}, EEXIST}));
    fakewin::noDeleteRight = true; // a share that grants writing but not deleting
    CMp3File* file = CMp3File::Create(L"f", 1, reinterpret_cast<const uint8_t*>("HOLD"), 4, &fault);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Remove(), 0);
    delete file;
    EXPECT_EQ(Read("f"), "HOLD");
}

} // namespace
