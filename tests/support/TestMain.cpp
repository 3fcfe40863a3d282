// The main of our GoogleTest programs (see RunCases.h).
#include "RunCases.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RunCases();
}
