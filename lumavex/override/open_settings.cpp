// The command that opens the override's settings from the host's menus: it adds the master
// plug-in to the scene when missing, then opens its panel.
#include <vexo/adaptor.h>
#include <vexo/handler.h>
#include <vexo/server.h>

#include <lwsdk/lwitem.h>
#include <lwsdk/lwmaster.h>
#include <lwsdk/lwmodule.h>

class OpenSettingsUI : public vexo::LayoutGenericHandler {
  public:
    explicit OpenSettingsUI(st_LWLayoutGeneric* local) : vexo::LayoutGenericHandler(local) {}

    int Activate() override {
        editServer(LWMASTER_HCLASS, "qrvLumavex", LWITEM_NULL);
        return LWACTIVATE_OK;
    }
};

namespace {

const st_ServerTagInfo kTags[] = {{"qorvan lumavex...", LWTAG_USERNAME},
                                  {"qorvan lumavex", LWTAG_BUTTONNAME},
                                  {"qorvan", LWTAG_CMDGROUP},
                                  {"Global shading override", LWTAG_MENU},
                                  {nullptr, 0}};

vexo::ServerRegistration g_generic("LayoutGeneric", "qrvLumavex",
                                   &vexo::LayoutGenericAdaptor<OpenSettingsUI>::Activate, kTags);

}  // namespace
