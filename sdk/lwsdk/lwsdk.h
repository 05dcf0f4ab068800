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
#include "lwhandler.h"
#include "lwmaster.h"
#include "lwshader.h"
#include "lwshaderaccess.h"
#include "lwchannel.h"
#include "lwenvelope.h"
#include "lwvparm.h"
#include "lwxpanel.h"
#include "lwitem.h"
#include "lwobject.h"
#include "lwsurface.h"
#include "lwnode.h"
#include "lwpanel.h"
#include "lwdialog.h"
#include "lwglobsrv.h"

#endif
