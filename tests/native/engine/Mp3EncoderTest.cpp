// The encoder wrapper drives the library in the one order the library's callers rely on.
#include "Mp3Encoder.h"
#include "FakeEncoder.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::pair<std::string, std::vector<long long>>> Summary() {
    std::vector<std::pair<std::string, std::vector<long long>>> out;
    for (const fakeenc::Call& c : fakeenc::Calls())
        out.emplace_back(c.op, c.args);
    return out;
}

TEST(Mp3Encoder, OpenConfiguresTheLibraryOnceInOrder) {
    const struct { int32_t channels, mode; } cases[] = {{1, 3}, {2, 1}};
    for (auto c : cases) {
        fakeenc::Reset();
        auto* encoder = new CMp3Encoder;
        EXPECT_EQ(encoder->Open(c.channels, 22050, 44, 9), 1);
        EXPECT_EQ(encoder->GetChannels(), c.channels);
        const decltype(Summary()) expect = {
            {"Create", {}},
            {"SetChannels", {c.channels}},
            {"SetChannelMode", {c.mode}},
            {"SetSampleRate", {22050}},
            {"SetOption", {0}},
            {"SetBitRate", {44}},
            {"SetQuality", {9}},
            {"Prepare", {}},
            {"PostPrepare", {}},
        };
        EXPECT_EQ(Summary(), expect);
        const void* handle = encoder->GetHandle();
        encoder->Close();
        EXPECT_EQ(fakeenc::Calls().back().op, "Close");
        EXPECT_EQ(fakeenc::Calls().back().handle, handle);
        EXPECT_EQ(fakeenc::LiveInstances(), 0);
    }
}

TEST(Mp3Encoder, FailedOpenLeavesExactlyOneCloseToTheCaller) {
    fakeenc::Reset({.failCreate = false, .failPrepare = true});
    auto* encoder = new CMp3Encoder;
    EXPECT_EQ(encoder->Open(2, 96000, 288, 0), 0);
    EXPECT_EQ(fakeenc::Calls().back().op, "Prepare") << "no post-prepare after a refusal";
    encoder->Close();
    EXPECT_EQ(fakeenc::CountCalls("Close"), 1u);
    EXPECT_EQ(fakeenc::LiveInstances(), 0);

    fakeenc::Reset({.failCreate = true, .failPrepare = false});
    encoder = new CMp3Encoder;
    EXPECT_EQ(encoder->Open(1, 8000, 8, 5), 0);
    EXPECT_EQ(fakeenc::Calls().size(), 1u);
    encoder->Close();
    EXPECT_EQ(fakeenc::Calls().back().op, "Close");
    EXPECT_EQ(fakeenc::Calls().back().handle, nullptr);
}

} // namespace
