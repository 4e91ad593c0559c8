// Identifiers of the dialogs resources.
#pragma once
