#include "frame/database_handle.h"

#include "storage/storage_paths.h"

namespace mvdb {

namespace {

// The server host name is read with a limit of 63 bytes, NUL included.
constexpr size_t kServerHostNameBuffer = 63;

std::optional<std::string> ReadServerHostName() {
    const std::unique_ptr<platform::RegistryKey> key = platform::OpenMachineKey(kHostManKey);
    if (!key) return std::nullopt;
    return key->ReadString("HostName", kServerHostNameBuffer);
}

}  // namespace

std::unique_ptr<DatabaseHandle> DatabaseHandle::Open() {
    std::unique_ptr<platform::NamedMarker> marker;
    // Creating the mutex is the test: when it existed, another handle is
    // open. When it cannot be created at all, no open here could be told
    // from another one, so none is made.
    if (platform::CreateMarker(kDuplicationMutexName, &marker) != platform::MarkerResult::kCreated) {
        return nullptr;
    }

    std::unique_ptr<DatabaseHandle> handle(new DatabaseHandle());
    handle->duplicationMutex_ = std::move(marker);
    handle->codePage_ = platform::CurrentCodePage();
    if (std::optional<std::string> host = ReadServerHostName()) handle->serverHostName_ = *host;
    handle->account_ = std::make_unique<SharedAccount>();
    // The category file's account is loaded first; the media file's replaces it.
    handle->categories_ = std::make_unique<CategoryDatabase>(*handle->account_, *handle->codePage_);
    handle->media_ = std::make_unique<MediaDatabase>(*handle->account_, *handle->codePage_);
    if (!handle->serverHostName_.empty()) handle->media_->SetHostName(handle->serverHostName_);
    handle->clients_ = std::make_unique<ClientDatabase>(*handle->account_, *handle->codePage_);
    return handle;
}

DatabaseHandle::~DatabaseHandle() {
    media_.reset();
    clients_.reset();
    categories_.reset();
    account_.reset();
    duplicationMutex_.reset();
}

void DatabaseHandle::Initialize() {
    categories_->Clear();
    media_->Clear();
    clients_->Clear();
}

}  // namespace mvdb
