#include "tests/support/ProxySilencioso.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace prueba {

namespace {

sockaddr_in Local(unsigned puerto) {
    sockaddr_in direccion{};
    direccion.sin_family = AF_INET;
    direccion.sin_port = htons(static_cast<uint16_t>(puerto));
    direccion.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return direccion;
}

void Falla(const char* que) {
    throw std::runtime_error(std::string("proxy: ") + que + ": " + std::to_string(errno));
}

int Pendientes(int fd) {
    int n = 0;
    return ioctl(fd, FIONREAD, &n) == 0 ? n : 0;
}

} // namespace

ProxySilencioso::ProxySilencioso(unsigned puertoServidor) : puertoServidor_(puertoServidor) {
    escucha_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (escucha_ < 0)
        Falla("socket");
    sockaddr_in direccion = Local(0);
    if (bind(escucha_, reinterpret_cast<sockaddr*>(&direccion), sizeof direccion) != 0 ||
        listen(escucha_, 64) != 0)
        Falla("listen");
    socklen_t largo = sizeof direccion;
    getsockname(escucha_, reinterpret_cast<sockaddr*>(&direccion), &largo);
    puerto_ = ntohs(direccion.sin_port);
    if (pipe2(aviso_, O_CLOEXEC | O_NONBLOCK) != 0)
        Falla("pipe");
    hilo_ = std::thread([this] { Corre(); });
}

ProxySilencioso::~ProxySilencioso() {
    fin_ = true;
    Despierta();
    hilo_.join();
    for (const Par& par : pares_) {
        close(par.cliente);
        if (par.servidor >= 0)
            close(par.servidor);
    }
    close(escucha_);
    close(aviso_[0]);
    close(aviso_[1]);
}

void ProxySilencioso::Calla() {
    callado_ = true;
    Despierta();
}

void ProxySilencioso::Habla() {
    callado_ = false;
    Despierta();
}

long long ProxySilencioso::bytesDeClientes() const {
    std::lock_guard<std::mutex> cerrojo(mutex_);
    long long total = bytes_;
    for (const Par& par : pares_)
        total += Pendientes(par.cliente);
    return total;
}

int ProxySilencioso::conexiones() const {
    return conexiones_;
}

void ProxySilencioso::Despierta() {
    const char c = 0;
    [[maybe_unused]] const ssize_t n = write(aviso_[1], &c, 1);
}

void ProxySilencioso::Acepta() {
    const int cliente = accept4(escucha_, nullptr, nullptr, SOCK_CLOEXEC);
    if (cliente < 0)
        return;
    ++conexiones_;
    std::lock_guard<std::mutex> cerrojo(mutex_);
    pares_.push_back({cliente, -1});
}

// Moves what is waiting on `desde` to `hacia`; false when either side has closed.
bool ProxySilencioso::Pasa(int desde, int hacia, bool delCliente) {
    char bufer[16384];
    const ssize_t n = recv(desde, bufer, sizeof bufer, MSG_DONTWAIT);
    if (n == 0)
        return false;
    if (n < 0)
        return errno == EAGAIN || errno == EINTR;
    if (delCliente)
        bytes_ += n;
    {
        ssize_t enviados = 0;
        while (enviados < n) {
            const ssize_t m =
                send(hacia, bufer + enviados, static_cast<size_t>(n - enviados), MSG_NOSIGNAL);
            if (m <= 0)
                return false;
            enviados += m;
        }
    }
    return true;
}

void ProxySilencioso::Corre() {
    while (!fin_) {
        const bool callado = callado_;
        // Silent, a new connection is taken but gets no answer until the relay speaks again.
        std::vector<pollfd> fds{{aviso_[0], POLLIN, 0}, {escucha_, POLLIN, 0}};
        if (!callado) {
            std::lock_guard<std::mutex> cerrojo(mutex_);
            for (Par& par : pares_) {
                if (par.servidor < 0) {
                    par.servidor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                    const sockaddr_in destino = Local(puertoServidor_);
                    if (connect(par.servidor, reinterpret_cast<const sockaddr*>(&destino),
                                sizeof destino) != 0) {
                        close(par.servidor);
                        par.servidor = -2; // no server: the client's side is closed below
                    }
                }
                fds.push_back({par.cliente, POLLIN, 0});
                fds.push_back({par.servidor, POLLIN, 0});
            }
        }
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            return;
        char basura[64];
        while (read(aviso_[0], basura, sizeof basura) > 0) {
        }
        if (fds[1].revents & POLLIN)
            Acepta();
        if (callado || fin_)
            continue;
        std::lock_guard<std::mutex> cerrojo(mutex_);
        std::vector<Par> vivos;
        for (std::size_t i = 0; i < pares_.size(); ++i) {
            const Par par = pares_[i];
            bool vivo = par.servidor >= 0;
            const std::size_t j = 2 + 2 * i;
            if (vivo && j + 1 < fds.size()) {
                if (fds[j].revents & (POLLIN | POLLHUP | POLLERR))
                    vivo = Pasa(par.cliente, par.servidor, true);
                if (vivo && (fds[j + 1].revents & (POLLIN | POLLHUP | POLLERR)))
                    vivo = Pasa(par.servidor, par.cliente, false);
            }
            if (vivo || (par.servidor == -1)) {
                vivos.push_back(par);
            } else {
                close(par.cliente);
                if (par.servidor >= 0)
                    close(par.servidor);
            }
        }
        pares_ = std::move(vivos);
    }
}

} // namespace prueba
