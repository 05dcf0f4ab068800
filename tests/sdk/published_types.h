// Compile-time checks that the SDK headers keep the host's published member types. Each
// *_types_test.cpp beside this states, record by record, every member's C type as the host
// publishes it; a header edit that changes a type, renames or drops a member stops the build.
#pragma once

#include <cstddef>
#include <type_traits>

// The member's declared type, exactly (a function member is a pointer to its function type).
#define EXPECT_MEMBER_TYPE(Record, member, ...)                          \
    static_assert(std::is_same_v<decltype(Record::member), __VA_ARGS__>, \
                  #Record "::" #member " has another type")

// `Longer` begins with every member of `Shorter`, at the same offsets.
#define EXPECT_PREFIX_MEMBER(Shorter, Longer, member)                                      \
    static_assert(offsetof(Shorter, member) == offsetof(Longer, member) &&                 \
                      std::is_same_v<decltype(Shorter::member), decltype(Longer::member)>, \
                  #Shorter "::" #member " is not where " #Longer " has it")
