#pragma once

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace prueba {

// A TCP relay on 127.0.0.1 between the program and a server, for tests of a server that goes
// silent: a pulled cable or a dropped VPN, where the connection stays open and no answer comes.
// While silent it passes no byte either way and gives a new connection no answer, yet keeps
// every socket open; when it speaks again, what waited goes through as TCP would deliver it.
class ProxySilencioso {
public:
    // Listens on 127.0.0.1 on a free port and relays to the server at 127.0.0.1:puertoServidor.
    explicit ProxySilencioso(unsigned puertoServidor);
    ~ProxySilencioso();
    ProxySilencioso(const ProxySilencioso&) = delete;
    ProxySilencioso& operator=(const ProxySilencioso&) = delete;

    unsigned puerto() const { return puerto_; }
    void Calla();
    void Habla();

    // Bytes the clients have sent so far: relayed, and waiting while silent.
    long long bytesDeClientes() const;
    // Connections the clients opened through it.
    int conexiones() const;

private:
    struct Par {
        int cliente;
        int servidor; // -1 until it is connected
    };
    void Corre();
    void Acepta();
    bool Pasa(int desde, int hacia, bool delCliente);
    void Despierta();

    unsigned puertoServidor_;
    unsigned puerto_ = 0;
    int escucha_ = -1;
    int aviso_[2] = {-1, -1}; // wakes the relay's thread
    std::atomic<bool> callado_{false};
    std::atomic<bool> fin_{false};
    std::atomic<long long> bytes_{0};
    std::atomic<int> conexiones_{0};
    mutable std::mutex mutex_;
    std::vector<Par> pares_;
    std::thread hilo_;
};

} // namespace prueba
