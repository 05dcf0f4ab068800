// "File IO": block-structured files in the text and binary encodings, and the load and save records over them.
#pragma once

namespace lwhost {

class Host;

class FileIO {
public:
    explicit FileIO(Host& host);
    ~FileIO();
    FileIO(const FileIO&) = delete;
    FileIO& operator=(const FileIO&) = delete;

private:
    Host& m_host;
};

}  // namespace lwhost
