#include "lwhost/core/loader.h"

#include <cstdio>
#include <cstring>

#include "lwhost/core/platform.h"

namespace lwhost {

namespace {

std::string hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", v);
    return buf;
}

bool fail(LoadResult& result, LoadStatus status, const std::string& path, const std::string& why) {
    result.status = status;
    result.message = path + ": " + why;
    return false;
}

// A module's record array must end within this many records; anything longer is garbage.
constexpr size_t kMaxServerRecords = 65536;

}  // namespace

std::unique_ptr<Module> Module::load(const std::string& path, LoadResult& result) {
    result = LoadResult{};
    platform::FileInfo info;
    std::string reason;
    if (!platform::fileStatus(path, info, reason)) {
        fail(result, LoadStatus::NotFound, path, "no such module file");
        return nullptr;
    }
    if (info.type != platform::FileType::Regular) {
        fail(result, LoadStatus::NotLoadable, path, "not a regular file");
        return nullptr;
    }

    // Every module keeps its own copies of the frame's statics.
    void* handle = platform::loadLibrary(path, reason);
    if (!handle) {
        fail(result, LoadStatus::NotLoadable, path, "not a loadable module (" + reason + ")");
        return nullptr;
    }

    auto closeWith = [&](LoadStatus status, const std::string& why) {
        platform::freeLibrary(handle);
        fail(result, status, path, why);
        return nullptr;
    };

    auto* desc =
        static_cast<st_ModuleDescriptor*>(platform::librarySymbol(handle, LWMODULE_SYMBOL));
    if (!desc) return closeWith(LoadStatus::NoDescriptor, "has no module record '_mod_descrip'");
    if (desc->sysSync != LWMODULE_SYNC)
        return closeWith(LoadStatus::BadSync, "wrong sync word " + hex(desc->sysSync) +
                                                  " in its module record (expected " +
                                                  hex(LWMODULE_SYNC) + ")");
    if (desc->sysVersion != LWMODULE_SYSVERSION)
        return closeWith(LoadStatus::BadVersion, "unsupported system version " +
                                                     std::to_string(desc->sysVersion) +
                                                     " in its module record (expected " +
                                                     std::to_string(LWMODULE_SYSVERSION) + ")");
    if (desc->sysMachine != LWMODULE_MACHINE)
        return closeWith(LoadStatus::BadMachine, "wrong machine code " + hex(desc->sysMachine) +
                                                     " in its module record (expected " +
                                                     hex(LWMODULE_MACHINE) + ")");
    if (!desc->startup || !desc->shutdown)
        return closeWith(LoadStatus::NoEntryPoints, std::string("module record has no ") +
                                                        (desc->startup ? "shutdown" : "startup") +
                                                        " function");

    st_ServerRecord* array = desc->startup();
    if (!array) return closeWith(LoadStatus::StartupFailed, "startup returned no server records");

    std::unique_ptr<Module> module(new Module());
    module->m_path = path;
    module->m_handle = handle;
    module->m_descriptor = desc;
    module->m_array = array;
    size_t i = 0;
    for (; i < kMaxServerRecords && array[i].className; ++i) {
        if (!array[i].name || !array[i].activate) {
            module->unload();
            fail(result, LoadStatus::StartupFailed, path,
                 "server record " + std::to_string(i + 1) + " lacks a name or activate function");
            return nullptr;
        }
        module->m_records.push_back(&array[i]);
    }
    if (i == kMaxServerRecords) {
        module->unload();
        fail(result, LoadStatus::StartupFailed, path, "server record array has no closing record");
        return nullptr;
    }
    return module;
}

Module::~Module() {
    unload();
}

void Module::unload() {
    if (!m_handle) return;
    m_records.clear();
    if (m_descriptor && m_descriptor->shutdown) m_descriptor->shutdown(m_array);
    m_array = nullptr;
    m_descriptor = nullptr;
    platform::freeLibrary(m_handle);
    m_handle = nullptr;
}

const st_ServerRecord* Module::find(const std::string& className, const std::string& name) const {
    for (const st_ServerRecord* r : m_records)
        if (className == r->className && name == r->name) return r;
    return nullptr;
}

std::string formatTags(const st_ServerTagInfo* tags) {
    std::string out;
    for (size_t i = 0; tags && tags[i].string && i < 256; ++i) {
        if (!out.empty()) out += ' ';
        char code[16];
        if (tags[i].tag == 0)
            std::snprintf(code, sizeof code, "0");
        else
            std::snprintf(code, sizeof code, "0x%X", tags[i].tag);
        out += code;
        out += ":\"";
        out += tags[i].string;
        out += '"';
    }
    return out;
}

}  // namespace lwhost
