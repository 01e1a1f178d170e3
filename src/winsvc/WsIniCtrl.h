#pragma once
#include <string>

#include "WsCustomComponent.h"
#include "wsprocs.h"

// Kinds of storage an INI component can name.
enum TWsIniTarget
{
    itIniFile,
    itRegistry,  // there is no registry here: the INI file is used
    itAuto       // automatic: the INI file here as well
};

// Names an INI file and section and performs single reads, writes and deletes on it. Each operation
// opens the file, makes one access and lets go of it again; nothing is cached between calls. The
// store for a file comes from WsApplication.OpenProfile.
class TWsIniCtrl : public TWsCustomComponent
{
public:
    explicit TWsIniCtrl(QObject* owner);

    // File name; empty means the program file's path with its extension replaced by ".INI".
    std::string IniFile;
    TWsPathPrefix IniPrefix = ppWindows;
    TWsIniTarget Target = itAuto;
    // True: section names are used unchanged. False (per-user names) is treated as true.
    bool Common = true;
    // Scrambled values are not supported: values are stored as plain text whatever this says.
    bool Encoded = false;

    // The file's full name. An empty IniFile becomes, for the rest of the component's life, the
    // program file's path (WsApplication.ExeName()) with its extension replaced by ".INI"
    // (WithIniExtension). With ppFixed that is the result; otherwise the prefix folder (ending in "/")
    // followed by IniFile's last component: the program file's folder for ppProgram, the per-user
    // configuration folder for ppWindows and ppSystem (the program file's folder when there is none).
    std::string IniFilePath();

    // The section used for `section`: a blank one (empty or spaces only) gives the section resolved
    // last, or "Common" when there is none or it is blank, and changes nothing; any other is used as
    // it is and remembered as the one resolved last.
    std::string EffectiveSection(const std::string& section);

    // The text stored under `ident` (at most 2047 bytes), or `fallback` when the file, the section or
    // the key is missing. Reading never creates the file.
    std::string FetchValue(const std::string& section, const std::string& ident, const std::string& fallback);

    // Stores `value` under `ident`, creating the file and the section when missing. A refused write
    // throws EHarvikError "<IniFilePath()> に書き込めません" (Shift-JIS; the file name's UTF-8
    // converted) and leaves the file as it was.
    void StoreValue(const std::string& section, const std::string& ident, const std::string& value);

    // Deletes `ident`; a missing key and a refused write are ignored.
    void RemoveValue(const std::string& section, const std::string& ident);

private:
    std::string FLastSection;
};
