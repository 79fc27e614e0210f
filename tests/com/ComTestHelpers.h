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

// EXPECT_HR(expected, call): failures print both codes by name.
#define EXPECT_HR(expected, call)                                                                                       \
    do {                                                                                                               \
        const plat::com::HRESULT hr_got_ = (call);                                                                     \
        EXPECT_EQ(plat::com::HResultName(hr_got_), plat::com::HResultName(expected)) << #call;                         \
    } while (0)
#define ASSERT_HR(expected, call)                                                                                       \
    do {                                                                                                               \
        const plat::com::HRESULT hr_got_ = (call);                                                                     \
        ASSERT_EQ(plat::com::HResultName(hr_got_), plat::com::HResultName(expected)) << #call;                         \
    } while (0)
