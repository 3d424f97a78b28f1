// Reading and setting the working drawing's system variables through the ADS interface.
#include "acedads.h"
#include "database/system_variables.h"

int acedGetVar(const ACHAR* name, resbuf* result)
{
    return cadhost::systemVariables().get(name, result);
}

int acedSetVar(const ACHAR* name, const resbuf* value)
{
    return cadhost::systemVariables().set(name, value);
}
