#pragma once

#include <optional>

#include <QString>

// What the system says about a serial port's node, for telling why it would
// not open.
struct PortNode {
    bool exists = true;
    bool accessible = true;  // the user may read and write it
    QString group;           // the group that owns it, where the system has one
};

// The node at `path`; nothing where the system has no nodes for ports
// (Windows' COM ports).
std::optional<PortNode> InspectPortNode(const QString& path);
