#include "lang/QtTranslations.h"

#include "lang/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace {

QPointer<QTranslator> s_installed;
int32_t s_languageId = 0;

const char* QtLocale(int32_t languageId) {
    if (languageId == kLangChineseSimplified) return "zh_CN";
    if (languageId == kLangChineseTraditional) return "zh_TW";
    return nullptr;
}

} // namespace

bool UseQtTranslations(int32_t languageId) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return false;
    if (s_installed && s_languageId == languageId) return true;
    if (s_installed) {
        QCoreApplication::removeTranslator(s_installed);
        delete s_installed;
    }
    s_languageId = 0;
    const char* locale = QtLocale(languageId);
    if (locale == nullptr) return false;
    auto* translator = new QTranslator(app);
    if (!translator->load(QStringLiteral("qtbase_") + QLatin1String(locale),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    s_installed = translator;
    s_languageId = languageId;
    return true;
}
