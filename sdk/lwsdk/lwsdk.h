/* Everything of the plug-in interface in one include. C only. */
#ifndef LWSDK_LWSDK_H
#define LWSDK_LWSDK_H

#include "lwtypes.h"
#include "lwmodule.h"
#include "lwhostinfo.h"
#include "lwmessage.h"
#include "lwcomring.h"
#include "lwcommand.h"
#include "lwio.h"

#endif
