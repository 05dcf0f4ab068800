/* Everything of the plug-in interface in one include. C only. */
#ifndef LWSDK_LWSDK_H
#define LWSDK_LWSDK_H

#include "lwchannel.h"
#include "lwcommand.h"
#include "lwcomring.h"
#include "lwdialog.h"
#include "lwenvelope.h"
#include "lwglobsrv.h"
#include "lwhandler.h"
#include "lwhostinfo.h"
#include "lwio.h"
#include "lwitem.h"
#include "lwmaster.h"
#include "lwmessage.h"
#include "lwmodule.h"
#include "lwnode.h"
#include "lwobject.h"
#include "lwpanel.h"
#include "lwshader.h"
#include "lwshaderaccess.h"
#include "lwsurface.h"
#include "lwtypes.h"
#include "lwvparm.h"
#include "lwxpanel.h"

#endif
