// Adaptors: templates over a handler class whose static functions fill the host's callback
// records and forward to the handler. The instance pointer the host holds is the handler object
// itself and is turned back into one in handlerOf() only. No exception crosses into the host:
// every forwarding function runs inside shield() (shield.h), which either hands the message back
// as the host's error result or shows it in the host's error dialog.
#pragma once

#include <lwsdk/lwhandler.h>
#include <lwsdk/lwmaster.h>
#include <lwsdk/lwshader.h>
#include <lwsdk/lwxpanel.h>

#include <exception>
#include <string>
#include <type_traits>
#include <utility>

#include "vexo/handler.h"
#include "vexo/server.h"
#include "vexo/shield.h"

namespace vexo {

namespace detail {

// The entry kinds that hand a message back keep one text each per handler class.
enum Kept { KeptCreate, KeptCopy, KeptLoad, KeptSave, KeptDescLn, KeptInit, KeptNewTime };

template <class T>
T* handlerOf(LWInstance instance) {
    return static_cast<T*>(instance);
}

}  // namespace detail

template <class T>
struct InstanceAdaptor {
    template <int Kind>
    static Returned returned(const char* where) {
        return Returned{where, detail::keptText<T, Kind>()};
    }

    static LWInstance Create(void* priv, void* context, LWError* err) {
        char* kept = detail::keptText<T, detail::KeptCreate>();
        return shield(ErrorOut{"Instance::Create()", kept, err}, [&]() -> LWInstance {
            std::string error;
            T* object = new T(priv, context, &error);
            if (!error.empty()) {
                delete object;
                if (err) *err = detail::keepFailure(kept, nullptr, error.c_str());
                return nullptr;
            }
            return object;
        });
    }

    static void Destroy(LWInstance instance) {
        if (!instance) return;
        shield(Dialog{"Instance::Destroy()"}, [&] { delete detail::handlerOf<T>(instance); });
    }

    static LWError Copy(LWInstance to, LWInstance from) {
        return shield(returned<detail::KeptCopy>("Instance::Copy()"), [&]() -> LWError {
            *detail::handlerOf<T>(to) = *detail::handlerOf<T>(from);
            return nullptr;
        });
    }

    static LWError Load(LWInstance instance, const st_LWLoadState* state) {
        return shield(returned<detail::KeptLoad>("Instance::Load()"), [&]() -> LWError {
            LoadState load(state);
            return detail::handlerOf<T>(instance)->Load(load);
        });
    }

    static LWError Save(LWInstance instance, const st_LWSaveState* state) {
        return shield(returned<detail::KeptSave>("Instance::Save()"), [&]() -> LWError {
            SaveState save(state);
            return detail::handlerOf<T>(instance)->Save(save);
        });
    }

    static const char* DescLn(LWInstance instance) {
        return shield(returned<detail::KeptDescLn>("Instance::DescLn()"),
                      [&]() -> const char* { return detail::handlerOf<T>(instance)->DescLn(); });
    }

    static void fill(st_LWInstanceFuncs* funcs) {
        if (!funcs) return;
        funcs->priv = nullptr;
        funcs->create = &Create;
        funcs->destroy = &Destroy;
        funcs->copy = &Copy;
        funcs->load = &Load;
        funcs->save = &Save;
        funcs->descln = &DescLn;
    }
};

template <class T>
struct ItemAdaptor {
    static const LWItemID* UseItems(LWInstance instance) {
        return shield(Dialog<const LWItemID*>{"Item::UseItems()", nullptr},
                      [&] { return detail::handlerOf<T>(instance)->UseItems(); });
    }

    static void ChangeID(LWInstance instance, const LWItemID* ids) {
        if (!instance) return;
        shield(Dialog{"Item::ChangeID()"}, [&] { detail::handlerOf<T>(instance)->ChangeID(ids); });
    }

    // Item callbacks are left unset on the modelling application.
    static void fill(st_LWItemFuncs* funcs) {
        if (!funcs || LightWave::isModeler()) return;
        funcs->useItems = &UseItems;
        funcs->changeID = &ChangeID;
    }
};

template <class T>
struct RenderAdaptor {
    static LWError Init(LWInstance instance, int mode) {
        return shield(Returned{"Render::Init()", detail::keptText<T, detail::KeptInit>()},
                      [&]() -> LWError { return detail::handlerOf<T>(instance)->Init(mode); });
    }

    static void Cleanup(LWInstance instance) {
        shield(Dialog{"Render::Cleanup()"}, [&] { detail::handlerOf<T>(instance)->Cleanup(); });
    }

    static LWError NewTime(LWInstance instance, LWFrame frame, LWTime time) {
        return shield(
            Returned{"Render::NewTime()", detail::keptText<T, detail::KeptNewTime>()},
            [&]() -> LWError { return detail::handlerOf<T>(instance)->NewTime(frame, time); });
    }

    static void fill(st_LWRenderFuncs* funcs) {
        if (!funcs) return;
        funcs->init = &Init;
        funcs->cleanup = &Cleanup;
        funcs->newTime = &NewTime;
    }
};

template <class T, int Highest, int Lowest, int MasterType>
struct MasterAdaptor {
    static int Activate(long version, LWGlobalFunc global, void* local, void*) {
        if (version < Lowest || version > Highest) return LWACTIVATE_BADVERSION;
        return shield(Dialog{"MasterAdaptor::Activate()", LWACTIVATE_FAILED}, [&]() -> int {
            SetSuperGlobal(global);
            auto* master = static_cast<st_LWMasterHandler*>(local);
            if (!master) return LWACTIVATE_BADLOCAL;
            InstanceAdaptor<T>::fill(master->inst);
            ItemAdaptor<T>::fill(master->item);
            master->type = MasterType;
            master->event = &Event;
            master->flags = &Flags;
            return LWACTIVATE_OK;
        });
    }

    static double Event(LWInstance instance, const st_LWMasterAccess* access) {
        return shield(Dialog{"MasterAdaptor::Event()", 0.0},
                      [&]() -> double { return detail::handlerOf<T>(instance)->Event(access); });
    }

    static unsigned Flags(LWInstance instance) {
        return shield(Dialog{"MasterAdaptor::Flags()", 0u},
                      [&]() -> unsigned { return detail::handlerOf<T>(instance)->Flags(); });
    }
};

template <class T, int Highest, int Lowest>
struct ShaderAdaptor {
    static int Activate(long version, LWGlobalFunc global, void* local, void*) {
        if (version < Lowest || version > Highest) return LWACTIVATE_BADVERSION;
        return shield(Dialog{"ShaderAdaptor::Activate()", LWACTIVATE_FAILED}, [&]() -> int {
            SetSuperGlobal(global);
            auto* shader = static_cast<st_LWShaderHandler*>(local);
            if (!shader) return LWACTIVATE_BADLOCAL;
            InstanceAdaptor<T>::fill(shader->inst);
            ItemAdaptor<T>::fill(shader->item);
            RenderAdaptor<T>::fill(shader->rend);
            shader->evaluate = &Evaluate;
            shader->flags = &Flags;
            return LWACTIVATE_OK;
        });
    }

    // Runs on render threads: the shield adds no allocation or lock to the normal path.
    static void Evaluate(LWInstance instance, st_LWShaderAccess* access) {
        shield(Dialog{"ShaderHandler::Evaluate()"},
               [&] { detail::handlerOf<T>(instance)->Evaluate(access); });
    }

    static unsigned Flags(LWInstance instance) {
        return shield(Dialog{"ShaderHandler::Flags()", 0u},
                      [&]() -> unsigned { return detail::handlerOf<T>(instance)->Flags(); });
    }
};

template <class T>
struct XPanelAdaptor {
    static int Interface(long version, LWGlobalFunc global, void* local, void* serverData) {
        if (version < 4) return LWACTIVATE_BADVERSION;
        if (!local) return LWACTIVATE_OK;
        return shield(Dialog{"Xpanel::Interface()", LWACTIVATE_FAILED}, [&]() -> int {
            SetSuperGlobal(global);
            auto* iface = static_cast<st_LWInterface*>(local);
            if (!iface->inst) return LWACTIVATE_OK;
            return detail::handlerOf<T>(iface->inst)->Interface(version, iface, serverData);
        });
    }
};

template <class T>
struct LayoutGenericAdaptor {
    static int Activate(long, LWGlobalFunc global, void* local, void*) {
        return shield(Dialog{"LayoutGeneric::Activate()", LWACTIVATE_FAILED}, [&]() -> int {
            SetSuperGlobal(global);
            T handler(static_cast<st_LWLayoutGeneric*>(local));
            return handler.Activate();
        });
    }
};

// A plain function of a function table the module hands out itself (a global's table), made an
// entry point: `Name` names it in the report ("ns_load()"). A function that returns an error
// text returns the message instead; any other shows the dialog and returns its zero value.
template <auto F, const char* Name>
struct ShieldedFunction;

template <class R, class... A, R (*F)(A...), const char* Name>
struct ShieldedFunction<F, Name> {
    // Inlined where it is called by name (the per-sample entries), so that the entry is one
    // function with `F`; a table slot takes its address and gets its own copy.
    __attribute__((always_inline)) static R call(A... args) {
        const auto body = [&]() __attribute__((always_inline)) {
            return F(args...);
        };
        if constexpr (std::is_same<R, const char*>::value)
            return shield(Returned{Name, detail::keptText<ShieldedFunction, 0>()}, body);
        else if constexpr (std::is_void<R>::value)
            shield(Dialog{Name}, body);
        else
            return shield(Dialog<R>{Name, R()}, body);
    }
};

}  // namespace vexo
