// The setup program's throw helpers, linked into this test as into the program: what the C++
// library reports still reaches a handler of std::exception with the library's own message,
// and the failures of memory and casts keep their standard types.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

// Runs `failing` and returns what() of the std::exception it throws ("" when none is thrown).
std::string MessageOf(const std::function<void()>& failing) {
    try {
        failing();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

TEST(LibraryThrowsTest, ContainerFailuresReachAStdExceptionHandlerWithTheLibraryText) {
    const std::string text = "abc";
    std::vector<int> numbers(2);
    EXPECT_NE(MessageOf([&] { (void)text.at(3); }).find("basic_string::at"), std::string::npos);
    // The library's message with its numbers filled in: position 4, size 3.
    const std::string substrMessage = MessageOf([&] { (void)text.substr(4); });
    EXPECT_NE(substrMessage.find("basic_string::substr"), std::string::npos) << substrMessage;
    EXPECT_NE(substrMessage.find("4"), std::string::npos) << substrMessage;
    EXPECT_NE(substrMessage.find("3"), std::string::npos) << substrMessage;
    EXPECT_EQ(substrMessage.find("%"), std::string::npos) << substrMessage;
    EXPECT_NE(MessageOf([&] { (void)numbers.at(2); }).find("vector::_M_range_check"),
              std::string::npos);
    EXPECT_NE(MessageOf([&] { numbers.reserve(numbers.max_size() + 1); }).find("vector::reserve"),
              std::string::npos);
    std::string grown;
    EXPECT_NE(MessageOf([&] { grown.resize(grown.max_size() + 1); }), "");
}

// These helpers, not the library's, are in effect: the failure is not one of the library's
// classes that carry their message in the older string.
TEST(LibraryThrowsTest, TheLinkedHelpersAreTheProgramsOwn) {
    try {
        (void)std::string("x").at(9);
        FAIL() << "at() past the end did not throw";
    } catch (const std::logic_error&) {
        FAIL() << "the C++ library's own throw helper was linked";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("basic_string::at"), std::string::npos);
    }
}

TEST(LibraryThrowsTest, WhatSurvivesTheHandlerThatCaughtIt) {
    std::exception_ptr caught;
    try {
        (void)std::string("x").at(9);
    } catch (...) {
        caught = std::current_exception();
    }
    ASSERT_TRUE(caught);
    EXPECT_NE(MessageOf([&] { std::rethrow_exception(caught); }).find("basic_string::at"),
              std::string::npos);
}

TEST(LibraryThrowsTest, MemoryAndCastFailuresKeepTheirStandardTypes) {
    std::allocator<long long> allocator;
    const std::size_t tooMany = std::numeric_limits<std::size_t>::max() / sizeof(long long);
    EXPECT_THROW((void)allocator.allocate(tooMany), std::bad_alloc);
    // The library throws a failed cast through this helper (the Windows programs are built
    // without run-time type information, so no dynamic_cast can show it).
    EXPECT_THROW(std::__throw_bad_cast(), std::bad_cast);
    EXPECT_THROW(std::function<void()>()(), std::bad_function_call);
}

} // namespace
