// The override's surface shader: holds no settings, forwards the host's render calls to the
// shared services, and tells the host it changed whenever the override graph is edited.
#pragma once

#include <vexo/globals.h>
#include <vexo/handler.h>
#include <vexo/shading.h>

#include <string>

class GlobalShader : public vexo::XPanelShaderHandler, public vexo::comRingCommunicator {
  public:
    enum : unsigned { kNodalGraph = 0x800, kAbout = 0x802, kLogo = 0x803 };

    GlobalShader(void* priv, void* context, std::string* error);
    GlobalShader(const GlobalShader& other);
    GlobalShader& operator=(const GlobalShader&) { return *this; }
    ~GlobalShader() override;

    const char* Init(int mode) override;
    void Cleanup() override;
    const char* NewTime(int frame, double time) override;
    unsigned Flags() override;
    void Evaluate(st_LWShaderAccess* sa) override;

    int Interface(int version, st_LWInterface* local, void* serverData) override;
    void ButtonClick(unsigned id) override;
    void ControlDraw(unsigned id, vexo::XPDrawArea& area) override;
    void RingEvent(void* portData, int eventCode, void* eventData) override;

  private:
    void listen();

    vexo::qrvShadingGlobal m_services;
};
