#include "ErrorBox.h"

#include <QMessageBox>

#include "SjisText.h"
#include "WindowText.h"

namespace {

class TMessageErrorBox : public IErrorBox
{
public:
    void Show(QWidget* owner, const QString& text) override
    {
        QMessageBox box(QMessageBox::Critical, QString::fromLatin1(ApplicationTitle), text, QMessageBox::Ok, owner);
        box.exec();
    }
};

TMessageErrorBox MessageErrorBox;
IErrorBox* InstalledBox = &MessageErrorBox;

}  // namespace

IErrorBox* InstallErrorBox(IErrorBox* box)
{
    IErrorBox* previous = InstalledBox == &MessageErrorBox ? nullptr : InstalledBox;
    InstalledBox = box ? box : &MessageErrorBox;
    return previous;
}

std::string WithFullStop(std::string_view message)
{
    std::string shown(message);
    // The last character's first byte is found by walking from the front: a trail byte can look like
    // anything, so walking backwards cannot tell where the last character begins.
    std::size_t last = 0;
    for (std::size_t i = 0; i < message.size();) {
        last = i;
        i += IsLeadByte(static_cast<unsigned char>(message[i])) && i + 1 < message.size() ? 2 : 1;
    }
    if (!message.empty() && static_cast<unsigned char>(message[last]) > 0x2E) shown += '.';
    return shown;
}

void ShowErrorBox(QWidget* owner, std::string_view message)
{
    InstalledBox->Show(owner, FromSjis(WithFullStop(message)));
}
