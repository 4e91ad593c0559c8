// Identifiers of the body resources.
#pragma once
