// Adaptors: templates over a handler class whose static functions fill the host's callback
// records and forward to the handler. The instance pointer the host holds is the handler object
// itself and is turned back into one in handlerOf() only. No exception crosses into the host:
// every forwarding function runs inside shield(), which either hands the message back as the
// host's error result or shows it in the host's error dialog.
#pragma once

#include <lwsdk/lwhandler.h>
#include <lwsdk/lwmaster.h>
#include <lwsdk/lwshader.h>
#include <lwsdk/lwxpanel.h>

#include <cstdio>
#include <exception>
#include <string>
#include <type_traits>
#include <utility>

#include "vexo/handler.h"
#include "vexo/server.h"

namespace vexo {

namespace detail {

// Runs `call`; on an exception derived from std::exception calls `onError(e)` and returns its
// value instead.
template <class Call, class OnError>
auto shield(Call&& call, OnError&& onError) -> decltype(call()) {
    try {
        return call();
    } catch (const std::exception& e) {
        return onError(e);
    }
}

// Error texts handed back to the host stay readable after the callback returns: each callback
// kind of each handler class keeps its own copy, replaced by the next failure.
enum class Kept { Create, Copy, Load, Save, DescLn, Init, NewTime, Count };
template <class T>
const char* keep(Kept kind, const char* message) {
    static std::string texts[static_cast<int>(Kept::Count)];
    std::string& slot = texts[static_cast<int>(kind)];
    slot = message ? message : "";
    return slot.c_str();
}

template <class T>
T* handlerOf(LWInstance instance) {
    return static_cast<T*>(instance);
}

}  // namespace detail

template <class T>
struct InstanceAdaptor {
    static LWInstance Create(void* priv, void* context, LWError* err) {
        return detail::shield(
            [&]() -> LWInstance {
                std::string error;
                T* object = new T(priv, context, &error);
                if (!error.empty()) {
                    delete object;
                    if (err) *err = detail::keep<T>(detail::Kept::Create, error.c_str());
                    return nullptr;
                }
                return object;
            },
            [&](const std::exception& e) -> LWInstance {
                if (err) *err = detail::keep<T>(detail::Kept::Create, e.what());
                return nullptr;
            });
    }

    static void Destroy(LWInstance instance) {
        if (!instance) return;
        detail::shield([&] { delete detail::handlerOf<T>(instance); },
                       [](const std::exception& e) {
                           reportException("An exception occured in Instance::Destroy():", e);
                       });
    }

    static LWError Copy(LWInstance to, LWInstance from) {
        return detail::shield(
            [&]() -> LWError {
                *detail::handlerOf<T>(to) = *detail::handlerOf<T>(from);
                return nullptr;
            },
            [](const std::exception& e) -> LWError {
                return detail::keep<T>(detail::Kept::Copy, e.what());
            });
    }

    static LWError Load(LWInstance instance, const st_LWLoadState* state) {
        return detail::shield(
            [&]() -> LWError {
                LoadState load(state);
                return detail::handlerOf<T>(instance)->Load(load);
            },
            [](const std::exception& e) -> LWError {
                return detail::keep<T>(detail::Kept::Load, e.what());
            });
    }

    static LWError Save(LWInstance instance, const st_LWSaveState* state) {
        return detail::shield(
            [&]() -> LWError {
                SaveState save(state);
                return detail::handlerOf<T>(instance)->Save(save);
            },
            [](const std::exception& e) -> LWError {
                return detail::keep<T>(detail::Kept::Save, e.what());
            });
    }

    static const char* DescLn(LWInstance instance) {
        return detail::shield(
            [&]() -> const char* { return detail::handlerOf<T>(instance)->DescLn(); },
            [](const std::exception& e) -> const char* {
                return detail::keep<T>(detail::Kept::DescLn, e.what());
            });
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
        return detail::shield(
            [&]() -> const LWItemID* { return detail::handlerOf<T>(instance)->UseItems(); },
            [](const std::exception& e) -> const LWItemID* {
                reportException("An exception occured in Item::UseItems():", e);
                return nullptr;
            });
    }

    static void ChangeID(LWInstance instance, const LWItemID* ids) {
        if (!instance) return;
        detail::shield([&] { detail::handlerOf<T>(instance)->ChangeID(ids); },
                       [](const std::exception& e) {
                           reportException("An exception occured in Item::ChangeID():", e);
                       });
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
        return detail::shield(
            [&]() -> LWError { return detail::handlerOf<T>(instance)->Init(mode); },
            [](const std::exception& e) -> LWError {
                return detail::keep<T>(detail::Kept::Init, e.what());
            });
    }

    static void Cleanup(LWInstance instance) {
        detail::shield([&] { detail::handlerOf<T>(instance)->Cleanup(); },
                       [](const std::exception& e) {
                           reportException("An exception occured in Render::Cleanup():", e);
                       });
    }

    static LWError NewTime(LWInstance instance, LWFrame frame, LWTime time) {
        return detail::shield(
            [&]() -> LWError { return detail::handlerOf<T>(instance)->NewTime(frame, time); },
            [](const std::exception& e) -> LWError {
                return detail::keep<T>(detail::Kept::NewTime, e.what());
            });
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
        return detail::shield(
            [&]() -> int {
                SetSuperGlobal(global);
                auto* master = static_cast<st_LWMasterHandler*>(local);
                if (!master) return LWACTIVATE_BADLOCAL;
                InstanceAdaptor<T>::fill(master->inst);
                ItemAdaptor<T>::fill(master->item);
                master->type = MasterType;
                master->event = &Event;
                master->flags = &Flags;
                return LWACTIVATE_OK;
            },
            [](const std::exception& e) -> int {
                reportException("An exception occured in MasterAdaptor::Activate():", e);
                return LWACTIVATE_FAILED;
            });
    }

    static double Event(LWInstance instance, const st_LWMasterAccess* access) {
        return detail::shield(
            [&]() -> double { return detail::handlerOf<T>(instance)->Event(access); },
            [](const std::exception& e) -> double {
                reportException("An exception occured in MasterAdaptor::Event():", e);
                return 0.0;
            });
    }

    static unsigned Flags(LWInstance instance) {
        return detail::shield([&]() -> unsigned { return detail::handlerOf<T>(instance)->Flags(); },
                              [](const std::exception& e) -> unsigned {
                                  reportException("An exception occured in MasterAdaptor::Flags():",
                                                  e);
                                  return 0u;
                              });
    }
};

template <class T, int Highest, int Lowest>
struct ShaderAdaptor {
    static int Activate(long version, LWGlobalFunc global, void* local, void*) {
        if (version < Lowest || version > Highest) return LWACTIVATE_BADVERSION;
        return detail::shield(
            [&]() -> int {
                SetSuperGlobal(global);
                auto* shader = static_cast<st_LWShaderHandler*>(local);
                if (!shader) return LWACTIVATE_BADLOCAL;
                InstanceAdaptor<T>::fill(shader->inst);
                ItemAdaptor<T>::fill(shader->item);
                RenderAdaptor<T>::fill(shader->rend);
                shader->evaluate = &Evaluate;
                shader->flags = &Flags;
                return LWACTIVATE_OK;
            },
            [](const std::exception& e) -> int {
                reportException("An exception occured in ShaderAdaptor::Activate():", e);
                return LWACTIVATE_FAILED;
            });
    }

    static void Evaluate(LWInstance instance, st_LWShaderAccess* access) {
        detail::shield([&] { detail::handlerOf<T>(instance)->Evaluate(access); },
                       [](const std::exception& e) {
                           reportException("An exception occured in ShaderHandler::Evaluate():", e);
                       });
    }

    static unsigned Flags(LWInstance instance) {
        return detail::shield([&]() -> unsigned { return detail::handlerOf<T>(instance)->Flags(); },
                              [](const std::exception& e) -> unsigned {
                                  reportException("An exception occured in ShaderHandler::Flags():",
                                                  e);
                                  return 0u;
                              });
    }
};

template <class T>
struct XPanelAdaptor {
    static int Interface(long version, LWGlobalFunc global, void* local, void* serverData) {
        if (version < 4) return LWACTIVATE_BADVERSION;
        if (!local) return LWACTIVATE_OK;
        return detail::shield(
            [&]() -> int {
                SetSuperGlobal(global);
                auto* iface = static_cast<st_LWInterface*>(local);
                if (!iface->inst) return LWACTIVATE_OK;
                return detail::handlerOf<T>(iface->inst)->Interface(version, iface, serverData);
            },
            [](const std::exception& e) -> int {
                reportException("An exception occured in Xpanel::Interface():", e);
                return LWACTIVATE_FAILED;
            });
    }
};

template <class T>
struct LayoutGenericAdaptor {
    static int Activate(long, LWGlobalFunc global, void* local, void*) {
        return detail::shield(
            [&]() -> int {
                SetSuperGlobal(global);
                T handler(static_cast<st_LWLayoutGeneric*>(local));
                return handler.Activate();
            },
            [](const std::exception& e) -> int {
                reportException("An exception occured in LayoutGeneric::Activate():", e);
                return LWACTIVATE_FAILED;
            });
    }
};

// A plain function of a function table the module hands out itself (a global's table), shielded
// like the adaptors' functions: `Name` is the function's name for the report. A function that
// returns an error text returns the message instead; any other shows it in the host's error
// dialog and returns its zero value. The failure path allocates nothing, so a failed allocation
// is reported like any other failure.
template <auto F, const char* Name>
struct ShieldedFunction;

template <class R, class... A, R (*F)(A...), const char* Name>
struct ShieldedFunction<F, Name> {
    static R call(A... args) {
        try {
            return F(args...);
        } catch (const std::exception& e) {
            return failed(e);
        }
    }

  private:
    static R failed(const std::exception& e) {
        if constexpr (std::is_same<R, const char*>::value) {
            static char text[256];
            std::snprintf(text, sizeof text, "%s", e.what());
            return text;
        } else {
            char header[128];
            std::snprintf(header, sizeof header, "An exception occured in %s():", Name);
            reportException(header, e);
            return R();
        }
    }
};

}  // namespace vexo
