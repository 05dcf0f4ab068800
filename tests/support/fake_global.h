// A small fake of the host's global function for in-process frame tests: a table of records by
// name and a count of every request.
#pragma once

#include <lwsdk/lwtypes.h>

#include <map>
#include <string>

struct FakeGlobals {
    struct Use {
        int reads = 0, acquires = 0, releases = 0;
    };
    std::map<std::string, void*> records;
    std::map<std::string, Use> uses;

    static FakeGlobals*& current() {
        static FakeGlobals* instance = nullptr;
        return instance;
    }
    static void* global(const char* name, int use) {
        FakeGlobals* self = current();
        if (!self) return nullptr;
        Use& u = self->uses[name];
        auto it = self->records.find(name);
        void* record = it == self->records.end() ? nullptr : it->second;
        if (use == LWGLOBAL_READ) ++u.reads;
        if (use == LWGLOBAL_ACQUIRE && record) ++u.acquires;
        if (use == LWGLOBAL_RELEASE) ++u.releases;
        return use == LWGLOBAL_RELEASE ? nullptr : record;
    }

    FakeGlobals() { current() = this; }
    ~FakeGlobals() { current() = nullptr; }
};
