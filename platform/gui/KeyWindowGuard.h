#pragma once
// Private to platform/gui: keeps a key's repeats and its release in the window where the key
// went down.
class QObject;

namespace orv {

// An application-wide event filter. A held key repeats: when its first press closed a box or
// opened one, the repeats would otherwise answer the next question, or click the button under
// the focus again, once per repeat. The release of a key pressed elsewhere (in a box that has
// since closed, or in another program) is not this window's key either.
void InstallKeyWindowGuard(QObject* application);

}  // namespace orv
