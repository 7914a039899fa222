/* The state record and the error path that every sigcore operation reports through. */
#include "vskstatus.h"

#include <stdlib.h>

vskStateRecord vskState = {
    .status = VSK_STATUS_OK,
    .errorMode = 0,
    .handler = vskDefaultHandler,
};

int32_t vskReport(int32_t status, const char *function, const char *message, const char *module,
                  int32_t line)
{
    vskStoreStatus(status);
    if (status == VSK_STATUS_OK)
        return 0;
    return vskState.handler(status, function, message, module, line);
}

int32_t vskDefaultHandler(int32_t status, const char *function, const char *message,
                          const char *module, int32_t line)
{
    (void)status;
    (void)function;
    (void)message;
    (void)module;
    (void)line;
    if (vskState.errorMode == 0)
        exit(1);
    return status;
}
