// Every pane of an editor window is an OLE drop target: the test program joins OLE once on its
// main thread, as the program does at start.
#include "app/winutil/Platform.h"

#include <gtest/gtest.h>
#include <ole2.h>

namespace {

class OleEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

[[maybe_unused]] ::testing::Environment* const kOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

} // namespace
