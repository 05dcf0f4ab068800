#include "lwhost/envelopes.h"

#include "lwhost/host.h"

namespace lwhost {

Envelopes::Envelopes(Host& host) : m_host(host) {}

Envelopes::~Envelopes() = default;

}  // namespace lwhost
