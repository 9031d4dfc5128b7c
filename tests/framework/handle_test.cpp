// CHandle: one owner per system handle, closed exactly when it should be.
#include "framework/Handle.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <utility>

namespace {

bool IsOpenHandle(HANDLE handle)
{
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

}  // namespace

TEST(HandleTest, ClosedWhenDestroyedReplacedOrClosed)
{
    HANDLE first = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE second = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        CKernelHandle owner(first);
        EXPECT_TRUE(owner.IsValid());
        owner.Reset(second);
        EXPECT_FALSE(IsOpenHandle(first)) << "the replaced handle stays open";
        EXPECT_TRUE(IsOpenHandle(second));
        owner.Reset(second);  // the same handle again: kept, not closed
        EXPECT_TRUE(IsOpenHandle(second));
    }
    EXPECT_FALSE(IsOpenHandle(second)) << "the owner's handle outlived it";

    CKernelHandle closed(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE raw = closed.Get();
    closed.Close();
    EXPECT_FALSE(closed.IsValid());
    EXPECT_FALSE(IsOpenHandle(raw));
    closed.Close();  // twice is harmless
}

TEST(HandleTest, MovedAndReleasedHandlesAreNotClosed)
{
    HANDLE raw = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    CKernelHandle a(raw);
    CKernelHandle b(std::move(a));
    EXPECT_FALSE(a.IsValid());
    EXPECT_EQ(raw, b.Get());
    CKernelHandle c;
    c = std::move(b);
    EXPECT_TRUE(IsOpenHandle(raw));
    HANDLE given = c.Release();
    EXPECT_EQ(raw, given);
    EXPECT_FALSE(c.IsValid());
    EXPECT_TRUE(IsOpenHandle(raw)) << "a released handle is the caller's";
    CloseHandle(raw);
}

TEST(HandleTest, InvalidValuesFollowTheKind)
{
    // CreateFileA and FindFirstFileA fail with INVALID_HANDLE_VALUE, which is
    // no handle for them; a null event handle is none either.
    CFileObjectHandle file(CreateFileA("Z:\\no such folder\\x", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(file.IsValid());
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA("Z:\\no such folder\\*", &data));
    EXPECT_FALSE(find.IsValid());
    CKernelHandle none;
    EXPECT_FALSE(none.IsValid());
    EXPECT_EQ(nullptr, none.Get());
    EXPECT_EQ(INVALID_HANDLE_VALUE, CFileObjectHandle().Get());
}

TEST(HandleTest, ReceiveClosesTheOldHandleAndTakesTheNewOne)
{
    HANDLE old = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    CKernelHandle owner(old);
    HANDLE* place = owner.Receive();
    EXPECT_FALSE(IsOpenHandle(old)) << "the handle held before a Receive stays open";
    EXPECT_FALSE(owner.IsValid());
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), place, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    HANDLE received = owner.Get();
    EXPECT_TRUE(IsOpenHandle(received)) << "the handle put there is the owner's";
    owner.Close();
    EXPECT_FALSE(IsOpenHandle(received));
}
