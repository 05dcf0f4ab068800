// The get-comment nodes: each outputs, for the object being shaded, the value of one key found
// in the item comments of the scene (comment_store.h), or its default when the object has none.
// The four kinds share GetComment, which holds its store and forwards every node operation to
// it; only the panel and the "STNG" block wrapping are its own.
#pragma once

#include <lwsdk/lwxpanel.h>
#include <vexo/node.h>
#include <vexo/shading.h>

#include <string>

#include "comment_store.h"
#include "toolkit/logo.h"
#include "toolkit/panel_table.h"

// The server names, shared by the records and the nodes (which own their envelopes by them).
inline constexpr char kGetIntegerCommentName[] = "qrvGetIntegerComment";
inline constexpr char kGetVectorCommentName[] = "qrvGetVectorComment";
inline constexpr char kGetColourCommentName[] = "qrvGetColourComment";
inline constexpr char kGetScalarCommentName[] = "qrvGetScalarComment";

// The node's one block, holding the store's.
inline const st_LWBlockIdent kCommentNodeBlocks[] = {
    {LWID_MAKE('S', 'T', 'N', 'G'), "Setting"},
    {0, nullptr},
};

// What one kind's panel shows: the label of its name control, and its default's label and type
// (the default's control and value both).
struct CommentPanel {
    const char* nameLabel;
    const char* defaultLabel;
    const char* defaultType;
};

template <class Store, const CommentPanel& Panel, const char* PluginName>
class GetComment : public vexo::XPanelNodeHandler {
  public:
    GetComment(void*, void* context, std::string*) : vexo::XPanelNodeHandler(context) {
        m_description = "qorvan lumavex";
        m_store.Init(this, PluginName);
        setColour(30, 30, 80);
    }
    GetComment& operator=(const GetComment& other) {
        if (this == &other) return *this;
        vexo::XPanelNodeHandler::operator=(other);
        m_store = other.m_store;
        return *this;
    }

    const char* NewTime(int frame, double time) override {
        vexo::XPanelNodeHandler::NewTime(frame, time);
        m_store.NewTime(frame, time);
        return nullptr;
    }
    void Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) override {
        m_store.Evaluate(access, output, value);
    }

    int Interface(int, st_LWInterface* local, void*) override {
        if (!m_panel.id()) {
            // The key popup is asked of the store (the control's data) each time it opens.
            vexo::XPanelHints hints;
            hints.popUp(kCommentName, &vexo::PopUpCallback::PopCount,
                        &vexo::PopUpCallback::PopName);
            logoAndAbout(hints, kCommentLogo, kCommentAbout);
            // Owned, so that the panel goes with the node rather than outliving it.
            static PanelTables tables{
                logoRow(kCommentLogo),
                {kCommentName, Panel.nameLabel, "sPresetText", "string"},
                {kCommentDefault, Panel.defaultLabel, Panel.defaultType, Panel.defaultType},
                aboutRow(kCommentAbout),
            };
            if (CreateViewXPanel(tables.controls(), tables.values(), hints.list(), true))
                m_panel.setData(kCommentName, static_cast<vexo::PopUpCallback*>(&m_store));
        }
        if (local) local->panel = m_panel.id();
        return 0;
    }
    void* DataGet(unsigned id) override { return m_store.DataGet(id); }
    int DataSet(unsigned id, void* value) override { return m_store.DataSet(id, value); }
    void ControlDraw(unsigned id, vexo::XPDrawArea& area) override {
        if (id == kCommentLogo) drawLogo(area);
    }

    const char* Save(const vexo::SaveState& state) override {
        state.WriteItem(kCommentNodeBlocks[0], m_store, false);
        return nullptr;
    }
    const char* Load(const vexo::LoadState& state) override {
        const char* result = nullptr;
        while (const LWID id = state.findBlk(kCommentNodeBlocks)) {
            if (id == kCommentNodeBlocks[0].id) result = state.read(m_store);
            state.endBlk();
        }
        return result;
    }

    Store& store() { return m_store; }

  private:
    vexo::qrvShadingGlobal m_services;
    Store m_store;
};
