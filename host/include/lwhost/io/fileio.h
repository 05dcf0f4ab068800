// "File IO": block-structured files in the text and binary encodings, and the load and save
// records over them.
//
// A load reads the whole file into memory and walks it there (see blockio.h). A save replaces the
// file whole (see atomic_file.h): its items stream into a temporary file beside the target, and
// closing it renames the temporary over the target only when every write succeeded, so a failed
// or abandoned save leaves the earlier file as it was and the temporary removed. A directory,
// device or pipe is refused when the save opens.
//
// The modes are LWIO_ASCII and LWIO_BINARY; LWIO_BINARY_IFF is refused (null), as no file this
// host handles is an IFF form.
//
// Only regular files are opened, never waiting on a pipe. Data damaged anywhere (a block cut off
// at the end, say) is refused whole, with "FILE:LINE: why" in the host's messages, so that a
// plug-in loading it changes nothing.
#pragma once

#include <lwsdk/lwio.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace lwhost {

class Host;
class MemoryLoadState;

class FileIO {
  public:
    // Publishes "File IO" in the host's globals.
    explicit FileIO(Host& host);
    // Abandons saves still open (their temporaries are removed) and frees open loads.
    ~FileIO();
    FileIO(const FileIO&) = delete;
    FileIO& operator=(const FileIO&) = delete;

    // The record published as "File IO"; its functions reach the current host's FileIO.
    static const st_LWFileIOFuncs* record();

    // Null when the file cannot be read, is not a regular file or is damaged, or the mode is
    // unknown.
    st_LWLoadState* openLoad(const std::string& name, int ioMode);
    // Unknown or null records are ignored.
    void closeLoad(st_LWLoadState* state);
    // Null when the mode is unknown, the name is no regular file or the temporary cannot be
    // created.
    st_LWSaveState* openSave(const std::string& name, int ioMode);
    // True when the file was replaced; false when the save failed (the earlier file is kept).
    bool closeSave(st_LWSaveState* state);

    // The load state behind an open load record, for its error report; null when unknown.
    const MemoryLoadState* loadState(const st_LWLoadState* state) const;
    // Why the last open or close failed; empty after one that succeeded.
    std::string lastError() const;
    std::size_t openCount() const;

    class SaveFile;

  private:
    void setError(std::string what);

    Host& m_host;
    mutable std::mutex m_mutex;
    std::map<const st_LWLoadState*, std::unique_ptr<MemoryLoadState>> m_loads;
    std::map<const st_LWSaveState*, std::unique_ptr<SaveFile>> m_saves;
    std::string m_lastError;
};

}  // namespace lwhost
