#include "lwhost/io/fileio.h"

#include <limits>

#include "lwhost/core/host.h"
#include "lwhost/core/messages.h"
#include "lwhost/io/atomic_file.h"
#include "lwhost/io/blockio.h"
#include "lwhost/io/regular_file.h"

namespace lwhost {

namespace {

constexpr std::size_t kFlushThreshold = 64 * 1024;

// LWIO_BINARY_IFF is not among them: no file this host reads or writes is an IFF form.
bool knownMode(int ioMode) {
    return ioMode == LWIO_ASCII || ioMode == LWIO_BINARY;
}

// Every "File IO" function reaches the current host's service here; without one they do nothing.
FileIO* current() {
    Host* host = Host::current();
    return host ? &host->fileIO() : nullptr;
}

st_LWLoadState* cbOpenLoad(const char* name, int ioMode) {
    FileIO* io = current();
    return io && name ? io->openLoad(name, ioMode) : nullptr;
}

void cbCloseLoad(st_LWLoadState* state) {
    if (FileIO* io = current()) io->closeLoad(state);
}

st_LWSaveState* cbOpenSave(const char* name, int ioMode) {
    FileIO* io = current();
    return io && name ? io->openSave(name, ioMode) : nullptr;
}

void cbCloseSave(st_LWSaveState* state) {
    if (FileIO* io = current()) io->closeSave(state);
}

const st_LWFileIOFuncs kRecord = {&cbOpenSave, &cbCloseSave, &cbOpenLoad, &cbCloseLoad};

}  // namespace

// A save in progress: the writer and the replacement its finished items stream into.
class FileIO::SaveFile {
  public:
    SaveFile(int ioMode, std::string name) : m_name(std::move(name)), m_state(ioMode) {
        m_state.setSink(
            [this](const std::string& bytes) {
                std::string why;
                return m_file.write(bytes.data(), bytes.size(), why);
            },
            kFlushThreshold);
    }
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;

    AtomicFile& file() { return m_file; }
    st_LWSaveState* record() { return m_state.record(); }

    // Finishes the data and puts it in place of the target; the reason when it could not.
    std::string commit() {
        m_state.finish();
        if (!m_state.flush()) {
            m_file.abandon();
            return "saving '" + m_name + "' failed: " + m_state.error();
        }
        std::string why;
        if (!m_file.commit(why)) return "cannot write '" + m_name + "': " + why;
        return std::string();
    }

  private:
    const std::string m_name;
    AtomicFile m_file;  // still open when it goes: the save failed or was abandoned
    MemorySaveState m_state;
};

FileIO::FileIO(Host& host) : m_host(host) {
    m_host.attach(this);
    m_host.globals().publish(LWFILEIOFUNCS_GLOBAL, const_cast<st_LWFileIOFuncs*>(&kRecord));
}

FileIO::~FileIO() {
    m_host.attach(static_cast<FileIO*>(nullptr));
    m_host.globals().withdraw(LWFILEIOFUNCS_GLOBAL);
}

const st_LWFileIOFuncs* FileIO::record() {
    return &kRecord;
}

void FileIO::setError(std::string what) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lastError = std::move(what);
}

st_LWLoadState* FileIO::openLoad(const std::string& name, int ioMode) {
    if (!knownMode(ioMode)) {
        setError("unknown io mode " + std::to_string(ioMode));
        return nullptr;
    }
    std::string bytes, why;
    switch (readRegularFile(name, std::numeric_limits<std::size_t>::max(), bytes, why)) {
        case FileStatus::Ok:
            break;
        case FileStatus::NotRegular:
            setError("not a file: '" + name + "'");
            return nullptr;
        case FileStatus::Missing:
            setError("cannot open '" + name + "': " + why);
            return nullptr;
        default:
            setError("cannot read '" + name + "': " + why);
            return nullptr;
    }
    auto state = std::make_unique<MemoryLoadState>(std::move(bytes), ioMode);
    // Damaged data is handed out not at all rather than up to the damage, so that a plug-in
    // loading it changes nothing; the user learns which file and where.
    if (!state->check()) {
        // "FILE:LINE: why"; a binary offset stays in the text ("FILE: offset N: why").
        Located where = state->problem();
        where.file = name;
        const std::string damage = formatLocated(where);
        setError(damage);
        m_host.messages().show(MessageKind::Error, damage.c_str(), "");
        return nullptr;
    }
    st_LWLoadState* record = state->record();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_loads.emplace(record, std::move(state));
    m_lastError.clear();
    return record;
}

void FileIO::closeLoad(st_LWLoadState* state) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_loads.erase(state);
}

st_LWSaveState* FileIO::openSave(const std::string& name, int ioMode) {
    if (!knownMode(ioMode)) {
        setError("unknown io mode " + std::to_string(ioMode));
        return nullptr;
    }
    if (name.empty()) {
        setError("no file name");
        return nullptr;
    }
    auto file = std::make_unique<SaveFile>(ioMode, name);
    std::string why;
    if (!file->file().open(name, why)) {
        setError("cannot write '" + name + "': " + why);
        return nullptr;
    }
    st_LWSaveState* record = file->record();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_saves.emplace(record, std::move(file));
    m_lastError.clear();
    return record;
}

bool FileIO::closeSave(st_LWSaveState* state) {
    std::unique_ptr<SaveFile> file;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_saves.find(state);
        if (it == m_saves.end()) return false;
        file = std::move(it->second);
        m_saves.erase(it);
    }
    std::string why = file->commit();
    setError(why);
    return why.empty();
}

const MemoryLoadState* FileIO::loadState(const st_LWLoadState* state) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_loads.find(state);
    return it == m_loads.end() ? nullptr : it->second.get();
}

std::string FileIO::lastError() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastError;
}

std::size_t FileIO::openCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_loads.size() + m_saves.size();
}

}  // namespace lwhost
