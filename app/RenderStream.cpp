#include "RenderStream.h"

long double CurrentFrequency = 0.0L;
long double OutputGain = 1.0L;
TWaveformSource* WaveformSource = nullptr;

DWORD RenderStream(HSTREAM, void*, DWORD length, void*) { return length; }
