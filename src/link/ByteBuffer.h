#pragma once
// The byte reader/writer lives with the model, which the project files need below the protocol.
#include "model/ByteBuffer.h"
