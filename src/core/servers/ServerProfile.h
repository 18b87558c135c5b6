#pragma once

#include "core/columns/ColumnLayout.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>
#include <pugixml.hpp>

namespace tavrin {

class SettingsStore;

// The server version the program talks to and its two column layouts: the working one (stored
// per version, edited by the column chooser) and the built-in default of that version.
class ServerProfile {
public:
    explicit ServerProfile(SettingsStore& settings) : m_settings(settings) {}

    // Reads the stored version (or takes `version3` without storing it) and loads its layouts.
    void load(std::optional<bool> version3 = std::nullopt);
    bool isVersion3() const { return m_version3; }
    // Turns to the other version, stores the choice and loads that version's layouts.
    void switchVersion();
    // The menu caption that offers the other version.
    QString switchCaption() const;

    pugi::xml_document& layout() { return m_layout; }
    const pugi::xml_document& layout() const { return m_layout; }
    pugi::xml_document& defaultLayout() { return m_defaultLayout; }
    // Stores the working layout as edited, under this version's key.
    void storeLayout();
    // The other version, when the rows of a status reply carry as many fields as that version's
    // built-in layout describes and not as many as this one's; nothing otherwise.
    std::optional<int> versionTheRowsSuggest(QByteArrayView reply) const;
    // The list's columns under the working layout, left to right.
    QList<columns::ColumnHeader> headers() const { return columns::columnHeaders(m_layout); }

private:
    // A stored layout that does not parse leaves the working layout empty (no columns): the
    // user's text is kept, not replaced by the default.
    void loadLayouts();

    SettingsStore& m_settings;
    bool m_version3 = true;
    pugi::xml_document m_layout;
    pugi::xml_document m_defaultLayout;
};

} // namespace tavrin
