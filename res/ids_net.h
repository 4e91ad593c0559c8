// Identifiers of the net resources.
#pragma once
