#include "EngineSeam.h"

namespace {

CEngineSeam g_default;
CEngineSeam* g_seam = &g_default;

} // namespace

CEngineSeam* EngineSeam()
{
    return g_seam;
}

CEngineSeam* SetEngineSeam(CEngineSeam* seam)
{
    CEngineSeam* previous = g_seam;
    g_seam = seam ? seam : &g_default;
    return previous == &g_default ? nullptr : previous;
}
