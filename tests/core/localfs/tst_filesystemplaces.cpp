#include "localfs/FileSystemPlaces.h"

#include "localfs/FileSystemItem.h"
#include "settings/Preferences.h"
#include "settings/UserDefaults.h"

#include "TestFiles.h"
#include "VendraTest.h"

#include <QDir>
#include <QTemporaryDir>

class TestFileSystemPlaces : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_bookmarks;

    QString home(const QString &relative = {}) const
    {
        return relative.isEmpty() ? m_home->path() : m_home->filePath(relative);
    }

    QString folder(const QString &relative) const
    {
        QDir().mkpath(home(relative)); // a failure shows in the comparisons that follow
        return home(relative);
    }

    static QString uri(const QString &path) { return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded); }

    static QStringList paths(const FileSystemRoot &root)
    {
        QStringList result;
        for (const FileSystemItem *child : root.children())
            result.append(child->fullPath());
        return result;
    }

    static QStringList stored()
    {
        return Preferences::instance()
            ->stringList(Preferences::KeyLocalFileSystemPlaces)
            .value_or(QStringList{u"<absent>"_s});
    }

private Q_SLOTS:
    void init()
    {
        // A throw-away home with its own settings and bookmarks for every test.
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("HOME", QFile::encodeName(m_home->path()));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home(u".config"_s));
        QVERIFY(UserDefaults::open()->fileName().startsWith(m_home->path()));
        m_bookmarks = home(u".config/gtk-3.0/bookmarks"_s);
        QVERIFY(Preferences::init());
    }

    void cleanup() { Preferences::close(); }

    void firstStartTakesTheDefaultsOrTheBookmarks()
    {
        folder(u"Pictures"_s);
        folder(u"Documents"_s); // no Downloads: left out
        FileSystemPlaces places(u"Places"_s, m_bookmarks);
        const QStringList expected{home(), home(u"Pictures"_s), home(u"Documents"_s)};
        QCOMPARE(paths(places), expected);
        QCOMPARE(stored(), expected);
        const QString a = folder(u"A b"_s), c = folder(u"C"_s);
        TestFiles::write(m_bookmarks, QStringList{uri(a) + u" My label"_s, u"sftp://host/folder"_s,
                                                  uri(home(u"missing"_s)), uri(c), uri(home())}
                                          .join(u'\n')
                                          .toUtf8());
        // Home first, as the file managers show it; a bookmark of home itself is not shown twice.
        QCOMPARE(places.createDefaults(), (QStringList{home(), a, c}));
    }

    void storedPlacesAreKeptAsStored_data()
    {
        QTest::addColumn<QStringList>("storedPlaces");
        QTest::addColumn<QStringList>("expected");
        const QString a = u"A"_s, b = u"B, with comma"_s, gone = u"gone"_s;
        QTest::newRow("emptied list stays empty") << QStringList{} << QStringList{};
        QTest::newRow("vanished place dropped") << QStringList{a, gone, b} << QStringList{a, b};
        QTest::newRow("duplicate kept once") << QStringList{a, a} << QStringList{a};
        const QString odd = u"@Invalid() \"quoted\" back\\slash;semi"_s;
        QTest::newRow("quotes, backslash, semicolon, with others")
            << QStringList{odd, b} << QStringList{odd, b};
    }

    void storedPlacesAreKeptAsStored()
    {
        QFETCH(QStringList, storedPlaces);
        QFETCH(QStringList, expected);
        for (const QString &name :
             {u"Pictures"_s, u"A"_s, u"B, with comma"_s, u"@Invalid() \"quoted\" back\\slash;semi"_s})
            folder(name);
        auto absolute = [this](QStringList list) {
            for (QString &entry : list)
                entry = home(entry);
            return list;
        };
        Preferences::instance()->setStringList(Preferences::KeyLocalFileSystemPlaces, absolute(storedPlaces));
        FileSystemPlaces places(u"Places"_s, m_bookmarks);
        QCOMPARE(paths(places), absolute(expected));
        QCOMPARE(stored(), absolute(expected));
        // And so at the next start as well.
        Preferences::close();
        QVERIFY(Preferences::init());
        QCOMPARE(stored(), absolute(expected));
    }

    // Adding, moving and removing through the pane are tested with the pane; these are the refusals.
    void refusedChangesChangeNothing()
    {
        const QString a = folder(u"A"_s), b = folder(u"B"_s);
        Preferences::instance()->setStringList(Preferences::KeyLocalFileSystemPlaces, {a, b});
        FileSystemPlaces places(u"Places"_s, m_bookmarks);
        // A place again with a trailing slash, a missing folder, a saved search (files: the pane's tests).
        for (const QString &refused : {QString(b + u'/'), home(u"missing"_s), home(u"x.cannedSearch"_s)})
            QVERIFY2(!places.addChildPath(QUrl::fromLocalFile(refused)), qPrintable(refused));
        QVERIFY(!places.moveChild(places.childAtIndex(0), 2));
        QVERIFY(!places.moveChild(places.childAtIndex(0), -1));
        QCOMPARE(paths(places), (QStringList{a, b}));
        QCOMPARE(stored(), (QStringList{a, b}));
    }
};

VENDRA_TEST_MAIN(TestFileSystemPlaces)
#include "tst_filesystemplaces.moc"
