#include "lwhost/fileio.h"

#include "lwhost/host.h"

namespace lwhost {

FileIO::FileIO(Host& host) : m_host(host) {}

FileIO::~FileIO() = default;

}  // namespace lwhost
