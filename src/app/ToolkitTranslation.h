#pragma once

// Makes the toolkit's own texts Japanese for the whole program, whatever the desktop's language:
// the input line's editing menu, the help window's text menu, the buttons of standard dialogs.
// Loads the toolkit's Japanese catalogue (qtbase_ja) from the toolkit's translations folder and
// installs it on the running application. Returns false, and changes nothing, when there is no
// application yet or the catalogue cannot be read; the toolkit's texts then stay in English.
bool InstallToolkitTranslation();
