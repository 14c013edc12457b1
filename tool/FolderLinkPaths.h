// What a folder tree asks of its dialog's association list: which source folders are linked,
// and the full paths the list keeps for an association, which the tree corrects when a folder
// was renamed or moved since.
#pragma once

#include <string>

class IFolderLinkPaths {
public:
    virtual ~IFolderLinkPaths() = default;

    // The destination folder's key of the association whose source has this key ("" when none).
    virtual std::string DestinationOfSource(const std::string& sourceKey) const = 0;
    // The path shown for the association of that destination key, local or global side.
    virtual std::string LinkPath(const std::string& destinationKey, bool local) const = 0;
    virtual void SetLinkPath(const std::string& destinationKey, bool local, const std::string& path) = 0;
};
