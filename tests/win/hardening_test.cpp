#include <gtest/gtest.h>

#include "child_process.h"

namespace tovrel {
namespace {

using namespace test;

// The checks the product is built with end a process whose stack or buffer is overrun, at
// once and with the system's code for it, before the overrun can be used.
TEST(Hardening, AnOverrunStackFrameOrBufferEndsTheProcessAtOnce) {
  for (const wchar_t* way : {L"stack", L"buffer"}) {
    ChildProcess child(L"\"" + ExeDir() + L"smash_child.exe\" " + way);
    ASSERT_TRUE(child.started());
    ASSERT_EQ(::WaitForSingleObject(child.process(), 10000), static_cast<DWORD>(WAIT_OBJECT_0)) << way;
    DWORD code = 0;
    ::GetExitCodeProcess(child.process(), &code);
    EXPECT_EQ(code, static_cast<DWORD>(STATUS_STACK_BUFFER_OVERRUN)) << way;
  }
}

}  // namespace
}  // namespace tovrel
