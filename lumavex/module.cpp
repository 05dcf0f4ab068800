// The bundle's module. Its module record and entry points come from the frame; each server
// unit listed after this one in the build adds its records as it is initialised.
#include <vexo/server.h>
