// Helpers shared by the component runtime and control tests.
#pragma once

#include <com/ComTypes.h>
#include <com/Unknown.h>

#include <gtest/gtest.h>

// The reference count of an object, read by adding and releasing one.
inline plat::com::ULONG RefCount(plat::com::IUnknown* p)
{
    p->AddRef();
    return p->Release();
}

// EXPECT_HR(expected, call): failures print both codes by name; more text
// may be streamed in as with EXPECT_EQ.
#define EXPECT_HR(expected, call) EXPECT_EQ(plat::com::HResultName(call), plat::com::HResultName(expected)) << #call
#define ASSERT_HR(expected, call) ASSERT_EQ(plat::com::HResultName(call), plat::com::HResultName(expected)) << #call
