// Test double of the encoder library for the engine tests: it "encodes" by copying the PCM it is
// given (so the file shows exactly which samples arrived, in which order), logs every call and
// can be told to fail.
#pragma once
#include "EncoderLib.h"

#include <string>
#include <vector>

namespace fakeenc {

struct Call {
    std::string op;              // the operation's name without "Encoder"
    std::vector<long long> args; // its integer arguments after the handle
    const void* handle = nullptr;
    const int16_t* first = nullptr; // encode calls: the samples given
    const int16_t* second = nullptr;
};

struct Script {
    bool failCreate = false;
    bool failPrepare = false;
};

constexpr char kFlushMark[] = "FLUSH"; // what a flush "produces"

void Reset(const Script& script = {});
std::vector<Call> Calls();
size_t CountCalls(const std::string& op);
int LiveInstances();

} // namespace fakeenc
