#include "ping/echo_sequence.h"

namespace {
CEchoSequence s_nSeq;
}

uint16_t NextEchoSequence() { return s_nSeq.Next(); }
