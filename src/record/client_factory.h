#pragma once

#include <memory>

#include "protocols/protocol_client.h"

// Makes the real protocol client of a kind for one job.
std::unique_ptr<ProtocolClient> MakeProtocolClient(ClientKind kind, const ClientEnvironment& env);
