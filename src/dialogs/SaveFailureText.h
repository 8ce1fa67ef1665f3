#pragma once

#include <QCoreApplication>
#include <QString>

#include "data/FileResult.h"

// What the user is told when a file the user named could not be written.
inline QString SaveFailureText(const FileResult& result, const QString& path) {
    if (!result.opened)
        return QCoreApplication::translate("SaveFailureText", "ファイルを作成できません: ") + path;
    return QCoreApplication::translate("SaveFailureText", "ファイルの書き込みに失敗しました: ") +
           path;
}
