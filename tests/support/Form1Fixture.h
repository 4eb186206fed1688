#pragma once

// The main window for a test, made one way for every test of the window: a fresh folder for the
// program, its help page and its settings file, and a recorder for what would reach the person
// unless the test wants the screen itself. Header only: only tests that link the window use it.

#include "Form1.h"
#include "RecordingUserInterface.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// How a test wants its window.
struct Form1Setup
{
    enum class HelpFile { Present, Missing, Folder };
    enum class Screen { Recorder, Real }; // the real one: message boxes, clipboard, dialogs

    QString commandLine;
    HelpFile helpFile = HelpFile::Present;
    Screen screen = Screen::Recorder;
    // The settings file's bytes before the window reads it; empty for no file.
    QByteArray settings;
    // Shown and exposed before it is handed back.
    bool show = true;
};

class Form1Fixture
{
public:
    using HelpFile = Form1Setup::HelpFile;
    using Screen = Form1Setup::Screen;
    using Setup = Form1Setup;

    // A fresh folder and recorder; the window of an earlier make() is closed first.
    void reset()
    {
        m_form.reset();
        m_ui = std::make_unique<RecordingUserInterface>();
        m_dir = std::make_unique<QTemporaryDir>();
    }

    Form1 &make(const Setup &setup = {})
    {
        if (!m_dir)
            reset();
        m_form.reset();
        const QString programFolder = m_dir->filePath(QStringLiteral("program"));
        QDir().mkpath(programFolder);
        const QString helpPath = programFolder + QStringLiteral("/Rowlark.html");
        if (setup.helpFile == HelpFile::Folder)
            QDir().mkpath(helpPath);
        if (setup.helpFile == HelpFile::Present)
            writeOrDie(helpPath, "<html></html>");
        Form1Options options;
        options.ui = setup.screen == Screen::Recorder ? m_ui.get() : nullptr;
        options.programFolder = programFolder;
        options.commandLine = setup.commandLine;
        options.settingsPath = settingsPath();
        if (!setup.settings.isEmpty())
            writeOrDie(options.settingsPath, setup.settings);
        m_form = std::make_unique<Form1>(options);
        if (setup.show) {
            m_form->show();
            if (!QTest::qWaitForWindowExposed(m_form.get()))
                qWarning("window not exposed");
        }
        return *m_form;
    }

    [[nodiscard]] Form1 &form() const
    {
        return *m_form;
    }
    [[nodiscard]] RecordingUserInterface &ui() const
    {
        return *m_ui;
    }
    [[nodiscard]] QTemporaryDir &dir() const
    {
        return *m_dir;
    }
    [[nodiscard]] QString settingsPath() const
    {
        return m_dir->filePath(QStringLiteral("Rowlark.ini"));
    }

private:
    static void writeOrDie(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
    }

    // The window goes first: it may still write its settings into the folder.
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecordingUserInterface> m_ui;
    std::unique_ptr<Form1> m_form;
};
