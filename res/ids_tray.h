// Identifiers of the tray resources.
#pragma once
