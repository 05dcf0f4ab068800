// "LWVParmFuncs 2", "Channel Info 2" and "Animation Envelopes": animated parameters, channel groups and envelopes.
#pragma once

namespace lwhost {

class Host;

class Envelopes {
public:
    explicit Envelopes(Host& host);
    ~Envelopes();
    Envelopes(const Envelopes&) = delete;
    Envelopes& operator=(const Envelopes&) = delete;

private:
    Host& m_host;
};

}  // namespace lwhost
